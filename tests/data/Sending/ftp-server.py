# An FTP server on 127.0.0.1 serving the folder named by the first argument
# to user "user" with password "secret" (write access): prints its port and
# runs until it is ended (at the latest after 30 seconds).
import logging, sys, threading, os
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

logging.disable(logging.CRITICAL)
authorizer = DummyAuthorizer()
authorizer.add_user('user', 'secret', sys.argv[1], perm='elradfmw')
handler = FTPHandler
handler.authorizer = authorizer
server = FTPServer(('127.0.0.1', 0), handler)
print(server.socket.getsockname()[1], flush=True)
threading.Timer(30, lambda: os._exit(0)).start()
server.serve_forever()
