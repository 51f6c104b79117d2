#!/bin/sh
# Installs the Debian 12 packages Quillery needs to build, run and test,
# skipping those already present so repeated runs stay quick and offline.
# QtKeychain reaches the desktop keyring through libsecret, which it loads at
# run time; gnome-keyring, dbus (dbus-run-session) and secret-tool are for the
# tests, which run a private keyring of their own. Packages named as
# arguments are installed as well: scripts/bench.sh names openssh-server, for
# the sshd its bench runs on a loopback port. It is not installed for the demo
# or the tests, as Debian's package also enables a system-wide SSH service.
set -eu
PACKAGES="build-essential cmake pkgconf git
qt6-base-dev libqscintilla2-qt6-dev libpcre2-dev libssl-dev
putty-tools openssh-client clang-format
libgtest-dev libbenchmark-dev
python3 python3-asyncssh libqt6svg6
fonts-dejavu-core
qtkeychain-qt6-dev libqt6keychain1 libsecret-1-0
gnome-keyring dbus libsecret-tools $*"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
