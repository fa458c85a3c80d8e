# Reads apt's source lists and prints deb-src entries for the suites in SUITES, made from the
# entry whose suite is BASE (its URIs, components and Signed-By), in deb822 form.
# Both forms are read: deb822 stanzas (*.sources) and one-line entries (sources.list).
function flush() {
  if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " BASE " ") && uris != "" && !done) {
    print "Types: deb-src"; print "URIs: " uris; print "Suites: " SUITES
    print "Components: " comps
    if (signed != "") print "Signed-By: " signed
    done = 1
  }
  types = uris = suites = comps = signed = ""
}
FNR == 1 { flush() }
/^[ \t]*#/ { next }
/^[ \t]*$/ { flush(); next }
/^Types:/      { sub(/^Types:[ \t]*/, "");      types = $0;  next }
/^URIs:/       { sub(/^URIs:[ \t]*/, "");       uris = $0;   next }
/^Suites:/     { sub(/^Suites:[ \t]*/, "");     suites = $0; next }
/^Components:/ { sub(/^Components:[ \t]*/, ""); comps = $0;  next }
/^Signed-By:/  { sub(/^Signed-By:[ \t]*/, "");  signed = $0; next }
/^deb[ \t]/ {
  opts = ""; line = $0; sub(/^deb[ \t]+/, "", line)
  if (line ~ /^\[/) { opts = substr(line, 2, index(line, "]") - 2); line = substr(line, index(line, "]") + 1) }
  n = split(line, f, /[ \t]+/); i = (f[1] == "") ? 2 : 1
  if (f[i + 1] != BASE || done) next
  types = "deb"; uris = f[i]; suites = f[i + 1]; comps = ""
  for (j = i + 2; j <= n; j++) comps = comps (comps == "" ? "" : " ") f[j]
  if (match(opts, /signed-by=[^ ]+/)) signed = substr(opts, RSTART + 10, RLENGTH - 10)
  flush()
}
END { flush() }
