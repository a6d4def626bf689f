# Writes CHANGELOG.md as a Debian changelog, its sections in the file's order (newest first).
# A section is a "## <version> (<YYYY-MM-DD>)" heading and "- " items, each item going on over lines
# indented by two spaces, lines of at most 78 characters (so that the Debian lines stay within 80);
# text before the first heading is the file's preamble and is skipped. Any other line stops with
# status 2, so nothing in a section is silently left out or overlong.
#   awk -v package=<name> -v maintainer='<Name <address>>' -f debian-changelog.awk CHANGELOG.md

function fail(message) {
  printf "%s:%d: %s\n", FILENAME, FNR, message > "/dev/stderr"
  failed = 1
  exit 2
}

# Day of the week, 0 for Sunday (Sakamoto's method).
function weekday(y, m, d,    offsets) {
  split("0 3 2 5 0 3 5 1 4 6 2 4", offsets, " ")
  if (m < 3) y -= 1
  return (y + int(y / 4) - int(y / 100) + int(y / 400) + offsets[m] + d) % 7
}

function close_entry() {
  if (version != "") printf "\n -- %s  %s\n", maintainer, date
}

BEGIN {
  split("Sun Mon Tue Wed Thu Fri Sat", day_names, " ")
  split("Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec", month_names, " ")
}

/^## / {
  if ($0 !~ /^## [0-9][0-9.]* \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)$/) {
    fail("a section heading must read \"## <version> (<YYYY-MM-DD>)\"")
  }
  close_entry()
  if (version != "") print ""
  version = $2
  split(substr($3, 2, 10), ymd, "-")
  y = ymd[1] + 0; m = ymd[2] + 0; d = ymd[3] + 0
  if (m < 1 || m > 12 || d < 1 || d > 31) fail("no such date: " $3)
  date = sprintf("%s, %02d %s %04d 00:00:00 +0000", day_names[weekday(y, m, d) + 1], d,
                 month_names[m], y)
  printf "%s (%s) unstable; urgency=medium\n\n", package, version
  items = 0
  next
}
version == "" { next }
/^$/ { next }
length($0) > 78 { fail("longer than 78 characters") }
/^- / { print "  * " substr($0, 3); items += 1; next }
/^  [^ ]/ && items > 0 { print "    " substr($0, 3); next }
{ fail("not an item of the section: " $0) }

END {
  if (failed) exit 2
  if (version == "") {
    printf "%s: no \"## <version> (<YYYY-MM-DD>)\" section\n", FILENAME > "/dev/stderr"
    exit 2
  }
  close_entry()
}
