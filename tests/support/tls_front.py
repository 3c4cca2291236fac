#!/usr/bin/env python3
"""TLS fronts for the tests' web server on 127.0.0.1:80 (see tls.sh)."""
import asyncio
import ssl
import sys

FOLDER = sys.argv[1]
FRONTS = {443: "league", 8443: "untrusted", 9443: "other"}


async def pipe(reader, writer):
    try:
        while data := await reader.read(65536):
            writer.write(data)
            await writer.drain()
    except (ConnectionError, ssl.SSLError):
        pass
    finally:
        writer.close()


async def front(client_reader, client_writer):
    try:
        server_reader, server_writer = await asyncio.open_connection("127.0.0.1", 80)
    except OSError:
        client_writer.close()
        return
    await asyncio.gather(pipe(client_reader, server_writer), pipe(server_reader, client_writer))


async def main():
    servers = []
    for port, name in FRONTS.items():
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(f"{FOLDER}/{name}.pem", f"{FOLDER}/{name}.key")
        servers.append(await asyncio.start_server(front, "127.0.0.1", port, ssl=context))
    await asyncio.gather(*(server.serve_forever() for server in servers))


asyncio.run(main())
