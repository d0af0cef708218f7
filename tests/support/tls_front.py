"""TLS front of zvtest::LoopbackHttpServer.

The test program (running under Wine) starts this script as a Unix process.
It terminates TLS on 127.0.0.1 with one of the fixture server certificates and
passes every connection's bytes unchanged to the test's plain HTTP server, so
routes, responses and the request record stay in the test process.

Protocol with the test program, over one TCP connection to its control port:
the script sends "PORT <n>\\n" once it listens (or "ERROR <text>\\n" and exits);
when the test program closes the connection, the script stops and closes it
too. It also stops on its own after --max-seconds, so it can never outlive a
test run for long.
"""

import argparse
import asyncio
import os
import ssl
import sys

CHUNK = 65536


def detach_from_parent():
    # Wine hands the process its own descriptors (sockets of the test program,
    # the test runner's pipes). Holding them would keep the test's connections
    # and the runner's output open after the test ends.
    os.closerange(3, 65536)
    if not os.environ.get("ZVTEST_TLS_DEBUG"):
        null = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(null, fd)
        if null > 2:
            os.close(null)


async def pump(reader, writer, shut_write):
    try:
        while True:
            data = await reader.read(CHUNK)
            if not data:
                break
            writer.write(data)
            await writer.drain()
    except (ConnectionError, ssl.SSLError, OSError):
        pass
    finally:
        await shut_write(writer)


async def plain_eof(writer):
    try:
        if writer.can_write_eof():
            writer.write_eof()
    except (ConnectionError, OSError):
        pass


async def tls_close(writer):
    # The backend closed after its response: send close_notify and close.
    try:
        writer.close()
        await asyncio.wait_for(writer.wait_closed(), 2)
    except (ConnectionError, ssl.SSLError, OSError, asyncio.TimeoutError):
        pass


async def serve(args):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2

    control_reader, control_writer = await asyncio.open_connection("127.0.0.1", args.control_port)
    try:
        context.load_cert_chain(args.cert, args.key)
    except (OSError, ssl.SSLError) as error:
        control_writer.write(("ERROR cannot load %s: %s\n" % (args.cert, error)).encode())
        await control_writer.drain()
        control_writer.close()
        return 1

    async def on_client(tls_reader, tls_writer):
        try:
            backend_reader, backend_writer = await asyncio.open_connection("127.0.0.1", args.backend_port)
        except OSError:
            tls_writer.close()
            return
        await asyncio.gather(
            pump(tls_reader, backend_writer, plain_eof),
            pump(backend_reader, tls_writer, tls_close),
        )
        backend_writer.close()

    try:
        # After close_notify, WinINet under Wine waits for the TCP close rather
        # than answering with its own close_notify: do not wait long for it,
        # or a close-delimited answer ends only after the default 30 s.
        server = await asyncio.start_server(on_client, "127.0.0.1", args.port, ssl=context,
                                            ssl_handshake_timeout=10, ssl_shutdown_timeout=0.2)
    except OSError as error:
        control_writer.write(("ERROR cannot listen on 127.0.0.1:%d: %s\n" % (args.port, error)).encode())
        await control_writer.drain()
        control_writer.close()
        return 1

    port = server.sockets[0].getsockname()[1]
    control_writer.write(("PORT %d\n" % port).encode())
    await control_writer.drain()
    try:
        # The test program never sends anything: EOF (or an error) means stop.
        await asyncio.wait_for(control_reader.read(), args.max_seconds)
    except (asyncio.TimeoutError, ConnectionError, OSError):
        pass
    server.close()
    control_writer.close()
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--backend-port", type=int, required=True)
    parser.add_argument("--control-port", type=int, required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--max-seconds", type=float, default=900)
    args = parser.parse_args()
    detach_from_parent()

    loop = asyncio.new_event_loop()
    # A client that refuses our certificate aborts the handshake; that is an
    # expected outcome of the tests, not an error worth a traceback.
    loop.set_exception_handler(lambda loop, context: None)
    try:
        return loop.run_until_complete(serve(args))
    finally:
        loop.close()


if __name__ == "__main__":
    sys.exit(main())
