#!/usr/bin/python3
"""Loopback SSH/SFTP server for Quillery's tests and demo.

Password login (and public-key login for keys named with --authorized-key), a
throwaway host key, the served tree confined to one folder (chroot), and a free
port chosen by the kernel. Once the server listens it writes
"HOSTKEY SHA256:<fingerprint>" and then "PORT <n>" to standard output; it runs
until it is killed or its standard input closes.

Paths named with --deny are refused with "permission denied" for every open,
rename (by the old name) and removal, so tests can provoke psftp's refusal
lines even when they run as root (root ignores file modes).

Listings show the files of the user the server runs as as the login user's
(as a real server shows the logged-in user's own files); files of any other
user show that user's name, or their number when the system has no name for
it.

The other options make failures happen for real, so tests see what psftp
prints when they do. GLOB is matched against the path as the client sees it
(e.g. "/www/big*"), N counts bytes from the start of the file:

  --fail-read-after GLOB=N    reads of a matching file get an SFTP failure
                              status once N bytes have been served
  --fail-write-after GLOB=N   writes to a matching file fail once N bytes have
                              been written; the first N bytes stay on disk, as
                              on a server whose disk is full
  --stall-read-after GLOB=N   after N bytes a read is never answered; the
                              server holds it forever but stays alive (it
                              serves one request at a time, so the session
                              answers nothing more after that)
  --hold-read-after GLOB=N    a read past N bytes waits until the file named
  --hold-write-after GLOB=N   by --release-file exists (a write past N waits with
                              none of its bytes written); the server makes
                              RELEASE.held when the first hold begins, so a
                              test knows the transfer is under way. As the
                              server takes one request at a time, the whole
                              session waits with it.
  --drop-after-requests N     the connection is cut (no SSH disconnect
                              message, as when the network fails) once N SFTP
                              requests have been answered
  --fail-rename GLOB          renaming a matching path (the old name) fails
                              with an SFTP failure status; nothing changes
  --fail-chmod GLOB           setting the attributes (chmod) of a matching
                              path is refused with "permission denied", as on
                              a file system that keeps no modes
  --drop-after-change GLOB    a rename of a matching path (the old name), or
                              a removal of one, is carried out and then the
                              connection is cut before it is answered: the
                              client cannot know whether it happened
  --drop-after-login          the same after one request: psftp's first
                              request asks for the home folder, which it
                              prints as "Remote working directory is /"
  --listing PATH=FILE         listing the folder PATH gives "." and "..", then
                              one entry per line of FILE (UTF-8). A line
                              "name<TAB>longname" names the entry "name" and
                              shows "longname"; a line without a TAB is shown
                              whole and names the entry with its text after
                              the last blank. psftp prints the long names as
                              they are, sorted by entry name.
"""
import argparse
import asyncio
import fnmatch
import os
import sys
import warnings

warnings.filterwarnings("ignore")
import asyncssh  # noqa: E402
from asyncssh.sftp import SFTPServerHandler  # noqa: E402


def glob_and_count(text):
    glob, sep, count = text.rpartition("=")
    if not sep or not glob:
        raise argparse.ArgumentTypeError(f"expected GLOB=N, got {text!r}")
    return glob, int(count)


def path_and_file(text):
    path, sep, file = text.partition("=")
    if not sep or not path:
        raise argparse.ArgumentTypeError(f"expected PATH=FILE, got {text!r}")
    return path, file


def parse_args():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True, help="folder served as /")
    p.add_argument("--user", default="tester")
    p.add_argument("--password", default="secret")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--forward-log", metavar="FILE",
                   help="forwards connections as a jump host, noting each in FILE")
    p.add_argument("--banner", metavar="FILE",
                   help="sends FILE's text as the login banner")
    p.add_argument("--host-key", help="key file; created when missing")
    p.add_argument("--deny", action="append", default=[],
                   help="glob of served paths refused with permission denied")
    p.add_argument("--authorized-key", action="append", default=[],
                   help="OpenSSH public key file accepted for login")
    p.add_argument("--fail-read-after", action="append", default=[],
                   type=glob_and_count, metavar="GLOB=N")
    p.add_argument("--fail-write-after", action="append", default=[],
                   type=glob_and_count, metavar="GLOB=N")
    p.add_argument("--stall-read-after", action="append", default=[],
                   type=glob_and_count, metavar="GLOB=N")
    p.add_argument("--hold-read-after", action="append", default=[],
                   type=glob_and_count, metavar="GLOB=N")
    p.add_argument("--hold-write-after", action="append", default=[],
                   type=glob_and_count, metavar="GLOB=N")
    p.add_argument("--release-file", metavar="RELEASE")
    p.add_argument("--drop-after-requests", type=int, default=0, metavar="N")
    p.add_argument("--fail-rename", action="append", default=[], metavar="GLOB")
    p.add_argument("--fail-chmod", action="append", default=[], metavar="GLOB")
    p.add_argument("--drop-after-change", action="append", default=[], metavar="GLOB")
    p.add_argument("--drop-after-login", action="store_true")
    p.add_argument("--listing", action="append", default=[],
                   type=path_and_file, metavar="PATH=FILE")
    args = p.parse_args()
    if args.drop_after_login and not args.drop_after_requests:
        args.drop_after_requests = 1
    return args


def read_listing(file):
    entries = []
    with open(file, "rb") as f:
        for line in f.read().split(b"\n"):
            line = line.rstrip(b"\r")
            if not line:
                continue
            name, tab, longname = line.partition(b"\t")
            if not tab:
                longname = line
                name = line.rsplit(b" ", 1)[-1]
            entries.append((name, longname))
    return entries


def first_limit(rules, shown):
    for pattern, count in rules:
        if fnmatch.fnmatch(shown, pattern):
            return count
    return None


async def hold(args):
    """Waits until the release file exists; marks that a hold began."""
    if not args.release_file or os.path.exists(args.release_file):
        return
    open(args.release_file + ".held", "w").close()
    while not os.path.exists(args.release_file):
        await asyncio.sleep(0.02)


def make_sftp_factory(args, root):
    listings = {path.rstrip("/") or "/": read_listing(file)
                for path, file in args.listing}

    class TestSFTPServer(asyncssh.SFTPServer):
        def __init__(self, chan):
            super().__init__(chan, chroot=root.encode())
            self.requests_left = args.drop_after_requests or None
            # Limits of the files opened here, looked up by file object.
            self._limits = {}

        def _shown(self, path):
            return self.reverse_map_path(self.map_path(path)).decode(errors="replace")

        def format_user(self, uid):
            if uid == os.getuid():
                return args.user
            return super().format_user(uid)

        def setstat(self, path, attrs):
            self._check(path)
            shown = self._shown(path)
            if any(fnmatch.fnmatch(shown, pattern) for pattern in args.fail_chmod):
                raise asyncssh.SFTPPermissionDenied("Permission denied")
            return super().setstat(path, attrs)

        def _check(self, path):
            shown = self._shown(path)
            for pattern in args.deny:
                if fnmatch.fnmatch(shown, pattern):
                    raise asyncssh.SFTPPermissionDenied("Permission denied")

        def open(self, path, pflags, attrs):
            self._check(path)
            file_obj = super().open(path, pflags, attrs)
            shown = self._shown(path)
            limits = (first_limit(args.fail_read_after, shown),
                      first_limit(args.fail_write_after, shown),
                      first_limit(args.stall_read_after, shown),
                      first_limit(args.hold_read_after, shown),
                      first_limit(args.hold_write_after, shown))
            if any(limit is not None for limit in limits):
                self._limits[file_obj] = limits
            return file_obj

        def close(self, file_obj):
            self._limits.pop(file_obj, None)
            return super().close(file_obj)

        async def read(self, file_obj, offset, size):
            fail, _, stall, held, _ = self._limits.get(file_obj, (None,) * 5)
            # A read that reaches past the limit is cut short at it, so the
            # client has exactly the bytes before the limit and its next
            # read starts there.
            for limit in (fail, stall):
                if limit is not None and offset < limit:
                    size = min(size, limit - offset)
            if stall is not None and offset >= stall:
                await asyncio.get_running_loop().create_future()
            # A held read is answered whole once released: psftp takes a
            # short read before the end of a file for a broken one.
            if held is not None and offset + size > held:
                await hold(args)
            if fail is not None and offset >= fail:
                raise asyncssh.SFTPFailure("Failure")
            return super().read(file_obj, offset, size)

        async def write(self, file_obj, offset, data):
            _, fail, _, _, held = self._limits.get(file_obj, (None,) * 5)
            if held is not None and offset + len(data) > held:
                await hold(args)
            if fail is not None and offset + len(data) > fail:
                if offset < fail:
                    super().write(file_obj, offset, data[:fail - offset])
                # What OpenSSH's sftp-server answers for ENOSPC.
                raise asyncssh.SFTPFailure("Failure")
            return super().write(file_obj, offset, data)

        def listdir(self, path):
            shown = self._shown(path)
            if shown in listings:
                # "." and ".." describe real folders, the served root when
                # the listed one does not exist.
                local = self.map_path(path)
                if not os.path.isdir(local):
                    local = root.encode()
                parent = local if local == root.encode() else os.path.dirname(local)
                own = [asyncssh.SFTPName(name, attrs=asyncssh.SFTPAttrs.from_local(
                    os.lstat(folder))) for name, folder in ((b".", local), (b"..", parent))]
                for entry in own:
                    self.format_longname(entry)
                return own + [asyncssh.SFTPName(name, longname, asyncssh.SFTPAttrs())
                              for name, longname in listings[shown]]
            return super().listdir(path)

        def opendir(self, path):
            self._check(path)
            return super().opendir(path)

        def stat(self, path):
            self._check(path)
            return super().stat(path)

        async def _cut_if_changed(self, path):
            shown = self._shown(path)
            if any(fnmatch.fnmatch(shown, pattern) for pattern in args.drop_after_change):
                self.connection.abort()
                await asyncio.get_running_loop().create_future()

        async def rename(self, oldpath, newpath):
            self._check(oldpath)
            shown = self._shown(oldpath)
            if any(fnmatch.fnmatch(shown, pattern) for pattern in args.fail_rename):
                raise asyncssh.SFTPFailure("Failure")
            super().rename(oldpath, newpath)
            await self._cut_if_changed(oldpath)

        async def remove(self, path):
            self._check(path)
            super().remove(path)
            await self._cut_if_changed(path)

    return TestSFTPServer


# asyncssh gives the SFTP server object no hook after a reply goes out, so the
# request count that cuts the connection is kept here.
_answer_request = SFTPServerHandler._process_packet


async def _counting_process_packet(self, pkttype, pktid, packet):
    server = self._server
    left = getattr(server, "requests_left", None)
    if left == 0:
        # The client asked again before the cut: it has had the last reply,
        # so nothing is lost by cutting now, and this request goes unanswered.
        server.connection.abort()
        return
    await _answer_request(self, pkttype, pktid, packet)
    if left is not None:
        server.requests_left = left - 1
        if left == 1:
            # abort() drops what is still buffered; the last reply must
            # reach the client before the connection goes.
            asyncio.get_running_loop().call_later(0.2, server.connection.abort)


SFTPServerHandler._process_packet = _counting_process_packet


class _Relay(asyncssh.SSHTCPSession):
    """Carries a forwarded channel to and from a local TCP connection."""

    def __init__(self, reader, writer):
        self._reader = reader
        self._writer = writer
        self._chan = None

    def connection_made(self, chan):
        self._chan = chan
        asyncio.ensure_future(self._pump())

    async def _pump(self):
        try:
            while True:
                data = await self._reader.read(65536)
                if not data:
                    break
                self._chan.write(data)
            self._chan.write_eof()
        except (OSError, asyncssh.Error):
            pass

    def data_received(self, data, datatype):
        self._writer.write(data)

    def eof_received(self):
        if self._writer.can_write_eof():
            self._writer.write_eof()

    def connection_lost(self, exc):
        self._writer.close()


async def _relay_to_loopback(port):
    reader, writer = await asyncio.open_connection("127.0.0.1", port)
    return _Relay(reader, writer)


class TestSSHServer(asyncssh.SSHServer):
    def __init__(self, user, password, keys, banner=None, forward_log=None):
        self._user = user
        self._password = password
        self._keys = keys
        self._banner = banner
        self._forward_log = forward_log
        self._conn = None

    def connection_made(self, conn):
        self._conn = conn

    def begin_auth(self, username):
        # A banner is the server's own text shown before the login; a hostile
        # server fills it with what looks like the client's questions.
        if self._banner is not None:
            self._conn.send_auth_banner(self._banner)
        return True

    def connection_requested(self, dest_host, dest_port, orig_host, orig_port):
        # A jump host: forwards a client's connection (ssh -W) when told to,
        # and notes each one, so a test can tell it went this way. Every
        # name is taken for this machine: PuTTY never sends a connection to
        # a loopback address through a proxy, so tests name the target
        # otherwise.
        if self._forward_log is None:
            return False
        with open(self._forward_log, "a", encoding="utf-8") as f:
            f.write(f"{dest_host}:{dest_port}\n")
        return _relay_to_loopback(dest_port)

    def password_auth_supported(self):
        return True

    def validate_password(self, username, password):
        return username == self._user and password == self._password

    def public_key_auth_supported(self):
        return bool(self._keys)

    def validate_public_key(self, username, key):
        return username == self._user and any(
            key.public_data == allowed.public_data for allowed in self._keys)


async def main():
    args = parse_args()
    root = os.path.realpath(args.root)
    if args.host_key and os.path.exists(args.host_key):
        key = asyncssh.read_private_key(args.host_key)
    else:
        key = asyncssh.generate_private_key("ssh-ed25519")
        if args.host_key:
            key.write_private_key(args.host_key)
    banner = None
    if args.banner:
        with open(args.banner, encoding="utf-8") as f:
            banner = f.read()
    client_keys = [k for file in args.authorized_key
                   for k in asyncssh.read_public_key_list(file)]
    server = await asyncssh.listen(
        "127.0.0.1", args.port,
        server_host_keys=[key],
        server_factory=lambda: TestSSHServer(args.user, args.password, client_keys, banner,
                                     args.forward_log),
        sftp_factory=make_sftp_factory(args, root),
        allow_scp=False)
    port = server.sockets[0].getsockname()[1]
    # Before the port, so whoever waits for "PORT" has both; psftp takes it
    # with -hostkey instead of asking.
    print(f"HOSTKEY {key.get_fingerprint('sha256')}")
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
