#!/usr/bin/python3
"""SMTP peer for the tests, on 127.0.0.1, over Debian's python3-aiosmtpd.

  /usr/bin/python3 smtp_peer.py OUTDIR [--reject REGEX] [--reject-mail] [--reject-data]
                   [--drop REGEX] [--auth-required] [--stall-data] [--hold-data] [--silent-quit]

Prints "SMTP_PORT=<n>" once listening and runs until SIGTERM. Each accepted message becomes
OUTDIR/NNNN.eml: "X-Mail-From: <sender>", one "X-Rcpt-To: <rcpt>" per accepted recipient, an
empty line, then the DATA bytes as received (CR LF, dot-stuffing removed).
  --reject REGEX   recipients matching REGEX get 550
  --reject-mail    every MAIL FROM gets 550
  --reject-data    every DATA gets 554
  --drop REGEX     a MAIL FROM or RCPT TO address matching REGEX closes the connection at once
  --auth-required  every MAIL FROM gets 530, as from a server that wants a login first
  --stall-data     the end of every message's data is never answered
  --hold-data      after its 354 reply, no message's data is read until SIGUSR1 comes, so a
                   client sending a large one blocks part way through
  --silent-quit    QUIT is never answered
OUTDIR/events.log gets a line for each message's data received ("DATA"), each QUIT ("QUIT"),
each connection that ends ("LOST") and each data held back by --hold-data ("HOLD").
"""
import argparse
import asyncio
import os
import re
import signal

from aiosmtpd.smtp import SMTP


def log_event(outdir, event):
    with open(os.path.join(outdir, "events.log"), "a") as f:
        f.write(event + "\n")


class LoggingSMTP(SMTP):
    def connection_lost(self, error):
        log_event(self.event_handler.outdir, "LOST")
        super().connection_lost(error)

    async def push(self, status):
        await super().push(status)
        handler = self.event_handler
        if handler.args.hold_data and status.startswith("354"):
            log_event(handler.outdir, "HOLD")
            await handler.released.wait()


class Handler:
    def __init__(self, args):
        self.outdir, self.count, self.args = args.outdir, 0, args
        self.reject = re.compile(args.reject) if args.reject else None
        self.drop = re.compile(args.drop) if args.drop else None
        self.released = asyncio.Event()

    async def _hang_up(self, server):
        server.transport.abort()
        await asyncio.sleep(3600)

    async def handle_MAIL(self, server, session, envelope, address, options):
        if self.drop and self.drop.search(address):
            await self._hang_up(server)
        if self.args.reject_mail:
            return "550 5.7.1 Sender refused"
        if self.args.auth_required:
            return "530 5.7.0 Authentication required"
        envelope.mail_from = address
        envelope.mail_options.extend(options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, options):
        if self.drop and self.drop.search(address):
            await self._hang_up(server)
        if self.reject and self.reject.search(address):
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        envelope.rcpt_options.extend(options)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        log_event(self.outdir, "DATA")
        if self.args.stall_data:
            await asyncio.sleep(3600)
        if self.args.reject_data:
            return "554 5.6.0 Message refused"
        self.count += 1
        path = os.path.join(self.outdir, "%04d.eml" % self.count)
        head = ["X-Mail-From: <%s>" % envelope.mail_from]
        head += ["X-Rcpt-To: <%s>" % r for r in envelope.rcpt_tos]
        with open(path + ".tmp", "wb") as f:
            f.write(("\r\n".join(head) + "\r\n\r\n").encode("utf-8"))
            f.write(envelope.original_content)
        os.rename(path + ".tmp", path)
        return "250 2.0.0 Ok: stored as %04d.eml" % self.count

    async def handle_QUIT(self, server, session, envelope):
        log_event(self.outdir, "QUIT")
        if self.args.silent_quit:
            await asyncio.sleep(3600)
        return "221 Bye"


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("outdir")
    parser.add_argument("--reject")
    parser.add_argument("--reject-mail", action="store_true")
    parser.add_argument("--reject-data", action="store_true")
    parser.add_argument("--drop")
    parser.add_argument("--auth-required", action="store_true")
    parser.add_argument("--stall-data", action="store_true")
    parser.add_argument("--hold-data", action="store_true")
    parser.add_argument("--silent-quit", action="store_true")
    args = parser.parse_args()
    os.makedirs(args.outdir, exist_ok=True)
    handler = Handler(args)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: LoggingSMTP(handler, hostname="smtp.zeltor.invalid", ident="zeltor test peer",
                     decode_data=False),
        host="127.0.0.1", port=0)
    print("SMTP_PORT=%d" % server.sockets[0].getsockname()[1], flush=True)
    stop = asyncio.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, stop.set)
    loop.add_signal_handler(signal.SIGUSR1, handler.released.set)
    await stop.wait()
    server.close()
    await server.wait_closed()

asyncio.run(main())
