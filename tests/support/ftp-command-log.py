#!/usr/bin/python3
"""A loopback proxy in front of an FTP server's control port that writes every
command a client sends, one per line, to a log: so a test sees exactly what
reached the server. Passive data connections go to the server directly.
   ftp-command-log.py LISTEN_PORT SERVER_PORT LOG_FILE"""
import socket
import sys
import threading

listen_port, server_port, log_path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
log = open(log_path, "ab", buffering=0)
lock = threading.Lock()


def pump(source, target, record):
    pending = b""
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            if record:
                pending += data
                *lines, pending = pending.split(b"\n")
                with lock:
                    for line in lines:
                        log.write(line.rstrip(b"\r") + b"\n")
            target.sendall(data)
    except OSError:
        pass
    finally:
        for s in (source, target):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def serve(client):
    server = socket.create_connection(("127.0.0.1", server_port))
    threading.Thread(target=pump, args=(client, server, True), daemon=True).start()
    threading.Thread(target=pump, args=(server, client, False), daemon=True).start()


listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", listen_port))
listener.listen(16)
while True:
    connection, _ = listener.accept()
    serve(connection)
