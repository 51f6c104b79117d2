#!/bin/sh
# Starts the loopback SFTP server over a copy of demo/site and runs Quillery
# against it, with the demo host saved and selected in the connect dialog.
# Everything the demo writes (settings, saved hosts, psftp's host-key cache,
# downloads, the served copy) lives in build/demo, never in the user's folders.
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
demo="$top/build/demo"
mkdir -p "$demo/home" "$demo/config/Quillery" "$demo/cache"
if [ ! -d "$demo/served" ]; then
  cp -R demo/site "$demo/served"
fi

# The server ends when its standard input closes, that is when this script ends.
fifo="$demo/server.in"
rm -f "$fifo" "$demo/server.out"
mkfifo "$fifo"
/usr/bin/python3 tests/server/sftp_server.py --root "$demo/served" --user demo \
  --password demo --host-key "$demo/host_key" <"$fifo" >"$demo/server.out" 2>"$demo/server.log" &
server=$!
exec 3>"$fifo"
trap 'exec 3>&-; wait $server 2>/dev/null || true' EXIT
tries=0
until grep -q '^PORT ' "$demo/server.out" 2>/dev/null; do
  tries=$((tries + 1))
  if [ $tries -gt 100 ] || ! kill -0 $server 2>/dev/null; then
    echo "The demo server did not start:" >&2
    cat "$demo/server.log" >&2
    exit 1
  fi
  sleep 0.1
done
port=$(sed -n 's/^PORT //p' "$demo/server.out")

# The saved host: password "demo" scrambled (each byte rotated right by two bits).
cat >"$demo/config/Quillery/Servers.ini" <<INI
[127.0.0.1 - demo]
HostName=127.0.0.1
UserName=demo
Password=19595BDB
StartingDir=/www
Port=$port
INI
chmod 600 "$demo/config/Quillery/Servers.ini"
cat >"$demo/config/Quillery.conf" <<CONF
[General]
SelectedServer=127.0.0.1 - demo
ShowConnectDialog=1
PasswordFileNoticeShown=1
CONF

echo "Demo server on 127.0.0.1 port $port (user demo, password demo), serving $demo/served"
# psftp finds its host-key cache through the password database, not HOME.
# The session bus leads nowhere, so that saving the demo host cannot put its
# password into your desktop keyring: it stays in the demo's Servers.ini.
XAUTHORITY="${XAUTHORITY:-$HOME/.Xauthority}" HOME="$demo/home" PUTTYDIR="$demo/home/.putty" \
  XDG_CONFIG_HOME="$demo/config" XDG_CACHE_HOME="$demo/cache" \
  DBUS_SESSION_BUS_ADDRESS="unix:path=$demo/no-session-bus" \
  "$top/build/quillery" "$@"
