# This machine's own apt entries of its Debian release, in deb822 form.
# Sourced by scripts/build-windows-deps.sh (to add source entries) and
# scripts/debian-root.sh (to give a throwaway root the same entries).
#
#   apt_release_stanzas TYPE CODENAME
#       prints one stanza "Types: TYPE" for every deb entry of release
#       CODENAME (suites CODENAME and CODENAME-*): same URIs, suites,
#       components and options (Signed-By, Architectures, ...), read from
#       sources.list, *.list (one-line form) and *.sources (deb822 form).
#       Third-party repositories (other suites) are left out.
#   APT_ETC overrides /etc/apt, for reading another root's entries.

apt_release_stanzas() {
  local type=$1 codename=$2 etc=${APT_ETC:-/etc/apt} f
  for f in "$etc/sources.list" "$etc"/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    # deb [key=value ...] URI suite components...
    awk -v rel="$codename" -v type="$type" '
      $1 != "deb" { next }
      {
        opts = ""; i = 2
        if ($2 ~ /^\[/) {
          while (i <= NF) { opts = opts " " $i; if ($i ~ /\]$/) { i++; break } i++ }
        }
        uri = $i; suite = $(i + 1); comps = ""
        for (j = i + 2; j <= NF; j++) comps = comps " " $j
        if (suite != rel && index(suite, rel "-") != 1) next
        gsub(/^ *\[|\] *$/, "", opts)
        print "Types: " type; print "URIs: " uri; print "Suites: " suite
        print "Components:" comps
        n = split(opts, o, " ")
        for (k = 1; k <= n; k++) {
          split(o[k], kv, "=")
          key = kv[1]
          if (key == "signed-by") key = "Signed-By"
          else if (key == "arch") key = "Architectures"
          else if (key == "lang") key = "Languages"
          else if (key == "trusted") key = "Trusted"
          else continue
          print key ": " kv[2]
        }
        print ""
      }' "$f"
  done
  for f in "$etc"/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # Stanzas are separated by blank lines; comments are dropped.
    awk -v rel="$codename" -v type="$type" '
      function flush(   k, keep, n, s, suites) {
        if (types ~ /(^| )deb( |$)/ && enabled != "no") {
          n = split(fields["Suites"], s, " ")
          for (k = 1; k <= n; k++)
            if (s[k] == rel || index(s[k], rel "-") == 1) suites = suites " " s[k]
          if (suites != "") {
            print "Types: " type
            for (k = 1; k <= nkeys; k++) {
              keep = keys[k]
              if (keep == "Types" || keep == "Enabled") continue
              if (keep == "Suites") print "Suites:" suites
              else print keep ": " fields[keep]
            }
            print ""
          }
        }
        delete fields; nkeys = 0; types = ""; enabled = ""
      }
      /^#/ { next }
      /^[ \t]*$/ { flush(); next }
      {
        key = $0; sub(/:.*/, "", key); value = $0; sub(/^[^:]*:[ \t]*/, "", value)
        if (key == "Types") types = value
        else if (key == "Enabled") enabled = tolower(value)
        if (!(key in fields)) keys[++nkeys] = key
        fields[key] = value
      }
      END { flush() }' "$f"
  done
}
