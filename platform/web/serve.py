"""Serves a folder on 127.0.0.1 with the types the show's page needs.

usage: python3 serve.py FOLDER PORT  (port 0: any free one, printed)
"""
import functools
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
    folder, port = sys.argv[1], int(sys.argv[2])
    handler = functools.partial(Handler, directory=folder)
    with Server(("127.0.0.1", port), handler) as server:
        print(f"http://127.0.0.1:{server.server_address[1]}/", flush=True)
        server.serve_forever()


if __name__ == "__main__":
    main()
