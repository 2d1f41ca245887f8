"""Serves a folder on 127.0.0.1 (or another loopback address) with the types
the show's page needs.

usage: python3 serve.py FOLDER PORT [ADDRESS] [-q]  (port 0: any free one,
printed; -q: no log of the requests)
"""
import functools
import ipaddress
import http.server
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".mid": "audio/midi",
        ".sf2": "application/octet-stream",
        ".webmanifest": "application/manifest+json",
    }

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        if "-q" not in sys.argv:
            super().log_message(format, *args)


class Server(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        # A page closed while a file was on its way (the soundfont, fetched
        # in the background) is no error of the server's.
        if not isinstance(sys.exc_info()[1], (ConnectionResetError, BrokenPipeError)):
            super().handle_error(request, client_address)


def main():
    args = [a for a in sys.argv[1:] if a != "-q"]
    folder, port = args[0], int(args[1])
    address = args[2] if len(args) > 2 else "127.0.0.1"
    # (this machine only)
    if not ipaddress.ip_address(address).is_loopback:
        sys.exit(f"serve.py: {address} is not a loopback address")
    handler = functools.partial(Handler, directory=folder)
    with Server((address, port), handler) as server:
        print(f"http://{address}:{server.server_address[1]}/", flush=True)
        server.serve_forever()


if __name__ == "__main__":
    main()
