# Sourced by the scripts: apt with a configuration of its own, for reading other Debian releases'
# package lists and fetching their packages without touching the system's apt state. Nothing is
# installed: packages are downloaded as files, to be unpacked with `dpkg-deb -x` where needed.
#
#   private_apt_setup <folder> <suite>...  sources for the suites (binary and source packages of
#                                          main) from the Debian archive this machine's apt uses,
#                                          then `apt-get update`; fails when that cannot be done.
#                                          <folder> must be absolute.
#   private_apt <folder> <apt-get|apt-cache> <arguments>...   runs with that configuration
#   private_apt_failure                    why the last private_apt_setup failed, for SKIPPED lines

# The Debian archive the system's apt already reads (deb822 or one-line sources), security
# archive aside; empty when there is none.
debian_archive_uri() {
  local sources=(/etc/apt/sources.list.d/*.sources /etc/apt/sources.list /etc/apt/sources.list.d/*.list)
  local file
  for file in "${sources[@]}"; do
    [ -r "$file" ] || continue
    awk '/^URIs:/ { for (i = 2; i <= NF; i++) print $i }
         /^deb[ \t]/ { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; break } }' "$file"
  done | grep -v -e security -e '^$' | grep -m1 '/debian/*$' || true
}

private_apt_failure_reason=""

private_apt() {
  local folder=$1
  shift
  local tool=$1
  shift
  "$tool" -o Dir::Etc::SourceList="$folder/sources.list" -o Dir::Etc::SourceParts=/dev/null \
    -o Dir::State::Lists="$folder/lists" -o Dir::Cache="$folder/cache" \
    -o Dir::State::status=/dev/null -o Debug::NoLocking=1 -o APT::Sandbox::User=root \
    -o Acquire::Retries=2 -o Acquire::http::Timeout=30 "$@"
}

private_apt_setup() {
  local folder=$1
  shift
  # apt would take a relative folder as relative to its own state folders.
  case "$folder" in /*) ;; *) echo "private_apt_setup: $folder is not an absolute path" >&2; return 2 ;; esac
  if ! command -v apt-get >/dev/null 2>&1; then
    private_apt_failure_reason="no apt on this system"
    return 1
  fi
  local archive keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  archive=$(debian_archive_uri)
  if [ -z "$archive" ] || [ ! -r "$keyring" ]; then
    private_apt_failure_reason="this system's apt names no Debian archive, or has no Debian archive keyring"
    return 1
  fi
  mkdir -p "$folder/lists/partial" "$folder/cache/archives/partial"
  : >"$folder/sources.list"
  local suite
  for suite in "$@"; do
    printf 'deb [signed-by=%s] %s %s main\ndeb-src [signed-by=%s] %s %s main\n' \
      "$keyring" "$archive" "$suite" "$keyring" "$archive" "$suite" >>"$folder/sources.list"
  done
  if ! private_apt "$folder" apt-get update -qq >"$folder/update.log" 2>&1 ||
     grep -q -E '^(W|E): (Failed to fetch|Some index files failed)' "$folder/update.log"; then
    private_apt_failure_reason="the Debian package registry could not be reached ($(grep -m1 -E '^(W|E):' "$folder/update.log" || echo "apt-get update failed"))"
    return 1
  fi
}

private_apt_failure() { printf '%s' "$private_apt_failure_reason"; }
