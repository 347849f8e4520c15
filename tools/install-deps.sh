#!/usr/bin/env bash
# Installs the Debian packages that one of Pelvaro's two commands needs, as
# root, from the one list tools/packages.txt:
#
#   tools/install-deps.sh run    what tools/run.sh needs
#   tools/install-deps.sh test   that and what tools/test.sh needs
#
# Packages already present are left alone, so a second run costs nothing.
# While apt works, a line every few seconds says how far it has come.
#
# apt's passing faults do not stop it: a failed update is tried again, and
# then the lists apt has are used if the packages install from them. A test-32
# package that cannot be installed (no i386 list, versions that do not match,
# a machine that cannot run 32-bit programs) is left out with a line saying
# why, also written to build/not-installed/PACKAGE for the tests' summary; it
# is tried again on the next run. A package the command needs that cannot be
# installed stops it, with apt's own words.
set -euo pipefail
cd "$(dirname "$0")/.."
command=${1:-}
[[ $command == run || $command == test ]] || { echo "usage: $0 run|test" >&2; exit 2; }

needed=() optional=()
while read -r package for _; do
  # npm: Debian's own package, unless the Node.js installed brings its own.
  [[ $package == npm ]] && command -v npm >/dev/null && continue
  case $for in
    run) needed+=("$package") ;;
    test) [[ $command == run ]] || needed+=("$package") ;;
    test-32) [[ $command == run ]] || optional+=("$package") ;;
  esac
done < <(sed 's/#.*//' tools/packages.txt)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing=() missing_optional=()
for package in "${needed[@]}"; do
  installed "$package" || missing+=("$package")
done
for package in "${optional[@]}"; do
  installed "$package" && rm -f "build/not-installed/$package" || missing_optional+=("$package")
done
# leave_out PACKAGE REASON: a test-32 package not installed this time.
leave_out() {
  echo "  $1 is left out: $2"
  mkdir -p build/not-installed
  echo "$2" >"build/not-installed/$1"
}

if ((${#missing_optional[@]})) && ! tools/runs-32-bit.sh; then
  for package in "${missing_optional[@]}"; do
    leave_out "$package" "this machine cannot run 32-bit programs"
  done
  missing_optional=()
fi
((${#missing[@]} + ${#missing_optional[@]})) || exit 0

started=$SECONDS
log=$(mktemp)
trap 'rm -f "$log"' EXIT
export DEBIAN_FRONTEND=noninteractive
# Another apt (a timer's upgrade, say) holding dpkg's lock is waited for.
apt=(apt-get -q -o DPkg::Lock::Timeout=300)

# Runs an apt-get command. Its own output goes to the log; from its status
# lines a line is printed at each new stage and at most every 5 seconds within
# one, with the seconds since the start. Fails as apt-get does.
apt_with_progress() {
  local kind percent what stage last="" shown=0
  "${apt[@]}" -o APT::Status-Fd=3 "$@" 3>&1 >"$log" 2>&1 | while IFS=: read -r kind _ percent what; do
    case $kind in
      dlstatus) stage=downloading ;;
      pmstatus) stage=installing ;;
      *) continue ;;
    esac
    if [[ $stage != "$last" ]] || ((SECONDS - shown >= 5)); then
      printf '  %s: %s%% (%s), %d s\n' "$stage" "${percent%%.*}" "$what" $((SECONDS - started))
      last=$stage shown=$SECONDS
    fi
  done
  return "${PIPESTATUS[0]}"
}

# The package lists apt could not fetch, from the log of an update, one line:
# "bookworm-security/main i386 Packages (File has unexpected size ...)".
failed_lists() {
  sed -n '/^Err:[0-9]/{s/^Err:[0-9]* *[a-z+]*:\/\/[^ ]* *//;N;s/\n */ (/;s/ \[IP:[^]]*\]//;s/$/)/;p}' "$log" | sort -u | paste -sd ';' | sed 's/;/; /g'
}

# apt's reason for refusing an install, from its log, on one line.
refusal() {
  grep -E '^(E: | [^ ].*: (Pre)?Depends:|  +(Pre)?Depends:)' "$log" | sed 's/^ *//' | paste -sd ' ' | cut -c1-400
}

echo "Installing ${#missing[@]} packages for tools/$command.sh: ${missing[*]} ${missing_optional[*]}"
if ((${#missing_optional[@]})) && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "  adding the i386 architecture, for 32-bit Wine"
  dpkg --add-architecture i386
fi

echo "  reading the package lists ($((SECONDS - started)) s)"
for wait in 5 15 -; do
  apt_with_progress update && break
  lists=$(failed_lists)
  if [[ $wait == - ]]; then
    echo "  apt-get update failed 3 times; going on with the lists apt has. Not fetched: ${lists:-$(tail -n 1 "$log")}"
    break
  fi
  echo "  apt-get update failed (${lists:-$(tail -n 1 "$log")}); trying again in $wait s"
  sleep "$wait"
done

if ((${#missing[@]})) && ! apt_with_progress install -y "${missing[@]}"; then
  echo "Could not install the packages tools/$command.sh needs (${missing[*]}); apt-get said:" >&2
  grep -E '^(E|W): |Depends:|Unable to locate|has no installation candidate' "$log" >&2 || tail -n 20 "$log" >&2
  exit 1
fi

# A test-32 package is first tried without changing anything, so that a
# refusal leaves dpkg as it was.
for package in "${missing_optional[@]}"; do
  if ! "${apt[@]}" install -s -y "$package" >"$log" 2>&1; then
    leave_out "$package" "$(refusal)"
  elif ! apt_with_progress install -y "$package"; then
    leave_out "$package" "$(refusal)"
  else
    rm -f "build/not-installed/$package"
  fi
done
echo "Installed in $((SECONDS - started)) s."
