# Turns CHANGELOG.md (Keep a Changelog) into a Debian changelog, as Debian
# wants one in a package: one entry per released version, newest first.
# Usage: awk -v maintainer="Name <address>" -f debian_changelog.awk CHANGELOG.md
function finish() {
    if (!open) return
    cmd = "date -R -u -d " day
    cmd | getline stamp
    close(cmd)
    printf "\n -- %s  %s\n", maintainer, stamp
    open = 0
}
/^## \[[0-9]/ {
    finish()
    version = substr($2, 2, length($2) - 2)
    day = $4
    if (entries++) print ""
    printf "velmora (%s) unstable; urgency=medium\n\n", version
    open = 1
    next
}
/^## / { finish(); next }
/^\[/ { next }
!open || /^$/ { next }
/^### / { print "  " substr($0, 5) ":"; next }
/^- / { print "  * " substr($0, 3); next }
{ sub(/^ +/, ""); print "    " $0 }
END { finish() }
