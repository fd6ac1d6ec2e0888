# An SMTP server on 127.0.0.1 that offers STARTTLS and takes AUTH only over
# TLS (user "user", password "secret"): prints its port, writes each
# message it accepts to the file named by the third argument, and runs
# until it is ended (at the latest after 30 seconds).
import socket, ssl, sys, time, warnings
warnings.simplefilter('ignore')
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult

cert, key, out = sys.argv[1:4]

class Handler:
    async def handle_DATA(self, server, session, envelope):
        with open(out, 'ab') as f:
            f.write(envelope.content)
        return '250 OK'

def authenticator(server, session, envelope, mechanism, auth_data):
    ok = auth_data.login == b'user' and auth_data.password == b'secret'
    return AuthResult(success=ok)

context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
probe = socket.socket()
probe.bind(('127.0.0.1', 0))
port = probe.getsockname()[1]
probe.close()
controller = Controller(Handler(), hostname='127.0.0.1', port=port, tls_context=context,
                        require_starttls=True, auth_require_tls=True,
                        authenticator=authenticator)
controller.start()
print(port, flush=True)
time.sleep(30)
controller.stop()
