# An HTTPS server on 127.0.0.1 for the upload tests: prints its port,
# answers one POST with 200 and writes the body to the file named by the
# third argument, then ends (at the latest after 20 seconds).
import http.server, ssl, sys

cert, key, out = sys.argv[1:4]

class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers['Content-Length']))
        with open(out, 'wb') as f:
            f.write(body)
        self.send_response(200)
        self.send_header('Content-Length', '0')
        self.end_headers()

    def log_message(self, *args):
        pass

server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
server.timeout = 20
print(server.server_address[1], flush=True)
server.handle_request()
