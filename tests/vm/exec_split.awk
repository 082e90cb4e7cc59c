# Reads a Desktop Entry file and prints what a launcher needs to start it:
# the Terminal value on the first line, then the Exec arguments, one a line.
# Exit status 2: the entry is not to be started (hidden, or no application);
# 1: the entry is malformed.

function fail(why) {
    print "exec_split: " why > "/dev/stderr"
    bad = 1
    exit 1
}

# The escapes of a string value: \s \n \t \r \\.
function unescape(s,    out, i, c) {
    out = ""
    for (i = 1; i <= length(s); i++) {
        c = substr(s, i, 1)
        if (c != "\\") { out = out c; continue }
        if (++i > length(s)) fail("backslash at the end")
        c = substr(s, i, 1)
        if (c == "s") out = out " "
        else if (c == "n") out = out "\n"
        else if (c == "t") out = out "\t"
        else if (c == "r") out = out "\r"
        else if (c == "\\") out = out "\\"
        else fail("unknown escape \\" c)
    }
    return out
}

# Field codes: %% is a percent sign; the file and URL codes stand for
# nothing, as no file is passed at logon.
function expand(arg, quoted,    out, i, c) {
    if (!quoted && arg ~ /^%[fFuU]$/) return "\001"
    out = ""
    for (i = 1; i <= length(arg); i++) {
        c = substr(arg, i, 1)
        if (c != "%") { out = out c; continue }
        if (++i > length(arg) || substr(arg, i, 1) != "%") fail("field code in " arg)
        out = out "%"
    }
    return out
}

function emit(arg) {
    if (arg == "\001") return
    if (index(arg, "\n")) fail("line end inside an argument")
    args[++nargs] = arg
}

# Splits the unescaped Exec value into arguments by the quoting rules.
function split_exec(line,    i, n, c, arg) {
    n = length(line)
    i = 1
    while (i <= n) {
        c = substr(line, i, 1)
        if (c == " ") { i++; continue }
        arg = ""
        if (c == "\"") {
            for (i++; ; i++) {
                if (i > n) fail("no closing quote")
                c = substr(line, i, 1)
                if (c == "\"") break
                if (c == "\\") {
                    c = substr(line, ++i, 1)
                    if (c == "" || index("\"`$\\", c) == 0) fail("bad escape in quotes")
                }
                arg = arg c
            }
            i++
            if (i <= n && substr(line, i, 1) != " ") fail("quote inside an argument")
            emit(expand(arg, 1))
        } else {
            for (; i <= n && (c = substr(line, i, 1)) != " "; i++) {
                if (index("\t\n\"'\\><~|&;$*?#()`", c)) fail("reserved character " c " outside quotes")
                arg = arg c
            }
            emit(expand(arg, 0))
        }
    }
}

/^[ \t]*(#|$)/ { next }
/^\[/ { group = $0; next }
group == "[Desktop Entry]" {
    eq = index($0, "=")
    if (eq == 0) next
    key = substr($0, 1, eq - 1)
    sub(/[ \t]+$/, "", key)
    value = substr($0, eq + 1)
    sub(/^[ \t]+/, "", value)
    if (!(key in entry)) entry[key] = value
}
END {
    if (bad) exit 1
    if (entry["Type"] != "Application" || entry["Hidden"] == "true") exit 2
    if (entry["Exec"] == "") fail("no Exec")
    split_exec(unescape(entry["Exec"]))
    if (nargs == 0) fail("empty Exec")
    print (entry["Terminal"] == "true" ? "true" : "false")
    for (i = 1; i <= nargs; i++) print args[i]
}
