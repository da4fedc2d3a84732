#!/usr/bin/python3
"""Loopback FTP server for the update tests.

ftp_server.py <root> <command log>: serves <root> on 127.0.0.1 on a port the system picks, prints
that port on a line of its own, and appends every command it receives to <command log>. Users:
anonymous (any letter case, any password) and agent/secret; both see <root> as "/".
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, log_path = sys.argv[1], sys.argv[2]
    authorizer = DummyAuthorizer()
    authorizer.add_user("agent", "secret", root, perm="elr")
    authorizer.add_anonymous(root, perm="elr")

    class Handler(FTPHandler):
        auth_failed_timeout = 0.05

        def pre_process_command(self, line, cmd, arg):
            with open(log_path, "a") as log:
                log.write(line + "\n")
            return super().pre_process_command(line, cmd, arg)

        def ftp_USER(self, line):
            # Clients write the anonymous log-in in several letter cases.
            return super().ftp_USER("anonymous" if line.lower() == "anonymous" else line)

    Handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
