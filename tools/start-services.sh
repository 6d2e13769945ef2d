#!/usr/bin/env bash
# Starts the local services some tests talk to: the CUPS scheduler (the
# raw-queue tests create their own queue on it, pointing at a loopback
# plotter). Needs root to start cupsd; does nothing when it already runs.
# Exit status 0 when cupsd runs afterwards.
set -u
if ! [ -x /usr/sbin/cupsd ]; then
  echo "start-services: /usr/sbin/cupsd is not installed (apt-get install cups: the daemon, lpadmin and the socket backend)" >&2
  exit 1
fi
if pgrep -x cupsd >/dev/null 2>&1; then
  exit 0
fi
if [ "$(id -u)" != 0 ]; then
  echo "start-services: cupsd is not running and only root can start it" >&2
  exit 1
fi
mkdir -p /run/cups
/usr/sbin/cupsd            # daemonises itself
for _ in $(seq 1 50); do
  [ -S /run/cups/cups.sock ] && exit 0
  sleep 0.1
done
echo "start-services: cupsd did not come up" >&2
exit 1
