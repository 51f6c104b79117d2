#!/usr/bin/python3
"""Loopback SSH/SFTP server for Quillery's tests and demo.

Password login only, a throwaway host key, the served tree confined to one
folder (chroot), and a free port chosen by the kernel. The first line written
to standard output is "PORT <n>" once the server listens; the server runs
until it is killed or its standard input closes.

Paths named with --deny are refused with "permission denied" for every open,
so tests can provoke psftp's refusal lines even when they run as root (root
ignores file modes).
"""
import argparse
import asyncio
import fnmatch
import os
import sys
import warnings

warnings.filterwarnings("ignore")
import asyncssh  # noqa: E402


def parse_args():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True, help="folder served as /")
    p.add_argument("--user", default="tester")
    p.add_argument("--password", default="secret")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--host-key", help="key file; created when missing")
    p.add_argument("--deny", action="append", default=[],
                   help="glob of served paths refused with permission denied")
    return p.parse_args()


def make_sftp_factory(root, deny):
    class DenyingSFTPServer(asyncssh.SFTPServer):
        def __init__(self, chan):
            super().__init__(chan, chroot=root.encode())

        def _check(self, path):
            shown = self.reverse_map_path(self.map_path(path)).decode(errors="replace")
            for pattern in deny:
                if fnmatch.fnmatch(shown, pattern):
                    raise asyncssh.SFTPPermissionDenied("Permission denied")

        def open(self, path, pflags, attrs):
            self._check(path)
            return super().open(path, pflags, attrs)

        def opendir(self, path):
            self._check(path)
            return super().opendir(path)

        def stat(self, path):
            self._check(path)
            return super().stat(path)

    return DenyingSFTPServer


class PasswordServer(asyncssh.SSHServer):
    def __init__(self, user, password):
        self._user = user
        self._password = password

    def begin_auth(self, username):
        return True

    def password_auth_supported(self):
        return True

    def validate_password(self, username, password):
        return username == self._user and password == self._password


async def main():
    args = parse_args()
    root = os.path.realpath(args.root)
    if args.host_key and os.path.exists(args.host_key):
        key = asyncssh.read_private_key(args.host_key)
    else:
        key = asyncssh.generate_private_key("ssh-ed25519")
        if args.host_key:
            key.write_private_key(args.host_key)
    server = await asyncssh.listen(
        "127.0.0.1", args.port,
        server_host_keys=[key],
        server_factory=lambda: PasswordServer(args.user, args.password),
        sftp_factory=make_sftp_factory(root, args.deny),
        allow_scp=False)
    port = server.sockets[0].getsockname()[1]
    print(f"PORT {port}", flush=True)
    loop = asyncio.get_running_loop()
    stdin_closed = loop.create_future()

    def on_stdin():
        if not sys.stdin.buffer.read1(4096):
            loop.remove_reader(sys.stdin.fileno())
            if not stdin_closed.done():
                stdin_closed.set_result(None)

    loop.add_reader(sys.stdin.fileno(), on_stdin)
    await stdin_closed
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
