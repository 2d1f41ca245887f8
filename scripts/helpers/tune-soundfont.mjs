// Prints the file name of the soundfont cut for a tune, as the page names it:
// the page's own TuneSoundfont (programs/web/site/music.js), run here.
//   node scripts/helpers/tune-soundfont.mjs TUNE.mid
import {readFileSync} from 'node:fs';
import vm from 'node:vm';

const args = process.argv.slice(2);
if (args.length !== 1 || args[0] === '-h' || args[0] === '--help') {
    const usage = 'usage: node scripts/helpers/tune-soundfont.mjs TUNE.mid';
    (args.length === 1 ? console.log : console.error)(usage);
    process.exit(args.length === 1 ? 0 : 2);
}
const music = readFileSync(new URL('../../programs/web/site/music.js', import.meta.url), 'utf8');
const TuneSoundfont = vm.runInNewContext(`${music}\nTuneSoundfont;`, {});
console.log(TuneSoundfont(readFileSync(args[0])));
