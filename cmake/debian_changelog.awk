# SPDX-License-Identifier: MIT
# Rewrites CHANGELOG.md as a Debian changelog, which is what a native
# package keeps in /usr/share/doc/<package>/changelog.gz:
#
#   ## 1.0.0 - 2026-12-11     package (1.0.0) unstable; urgency=medium
#   - a change                  * a change
#     on two lines                on two lines
#                              -- maintainer  Fri, 11 Dec 2026 00:00:00 +0000
#
# Text before the first release heading is left out. Anything else that is
# not a list line fails, so a mistake in the file stops the package rather
# than slipping into it.
#
# usage: awk -v package=NAME -v version=VERSION -v maintainer='NAME <MAIL>'
#            -f debian_changelog.awk CHANGELOG.md
BEGIN {
  split("Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec", month_names, " ")
  split("31 28 31 30 31 30 31 31 30 31 30 31", month_days, " ")
  split("Sun Mon Tue Wed Thu Fri Sat", day_names, " ")
  # Sakamoto's month offsets for the day of the week.
  split("0 3 2 5 0 3 5 1 4 6 2 4", month_offsets, " ")
  entries = 0
  items = 0
  failed = 0
}

function fail_at(line, message) {
  printf "CHANGELOG.md:%d: %s\n", line, message > "/dev/stderr"
  failed = 1
  exit 1
}

function fail(message) {
  fail_at(FNR, message)
}

# YYYY-MM-DD as a Debian changelog date, midnight UTC.
function rfc5322(iso,    part, y, m, d, days, leap, weekday) {
  split(iso, part, "-")
  y = part[1] + 0
  m = part[2] + 0
  d = part[3] + 0
  leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0
  days = month_days[m] + (m == 2 && leap)
  if (length(part[1]) != 4 || m < 1 || m > 12 || d < 1 || d > days)
    fail("no such date: " iso)
  if (m < 3)
    y--
  weekday = y + int(y / 4) - int(y / 100) + int(y / 400)
  weekday = (weekday + month_offsets[m] + d) % 7
  return sprintf("%s, %02d %s %s 00:00:00 +0000", day_names[weekday + 1], d,
                 month_names[m], part[1])
}

function end_entry() {
  if (entries == 0)
    return
  if (items == 0)
    fail_at(entry_line, "release " entry_version " lists no change")
  printf "\n -- %s  %s\n", maintainer, entry_date
}

/^## / {
  if ($0 !~ /^## [0-9][0-9A-Za-z.+~]* - [0-9]+-[0-9][0-9]-[0-9][0-9]$/)
    fail("not a release heading '## VERSION - YYYY-MM-DD': " $0)
  end_entry()
  entry_version = $2
  entry_line = FNR
  entry_date = rfc5322($4)
  if (entries == 0 && entry_version != version)
    fail("the newest release is " entry_version ", the build is " version)
  if (entries > 0)
    print ""
  printf "%s (%s) unstable; urgency=medium\n\n", package, entry_version
  entries++
  items = 0
  next
}

entries == 0 || /^[ \t]*$/ { next }

/^- / {
  print "  * " substr($0, 3)
  items++
  next
}

/^  [^ ]/ || /^    / {
  if (items == 0)
    fail("an indented line before the first item: " $0)
  print "  " $0
  next
}

{ fail("not a list line of release " entry_version ": " $0) }

END {
  if (failed)
    exit 1
  if (entries == 0)
    fail("no release heading '## VERSION - YYYY-MM-DD'")
  end_entry()
}
