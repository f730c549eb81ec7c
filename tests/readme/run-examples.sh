#!/bin/sh
# Runs the example sessions of the README and of the manual page against the
# built program and checks that every command prints exactly what is shown.
#
# usage: run-examples.sh PROGRAM [RUNNER] -- FILE...
#
# An example is a ```console block of a Markdown file, or an .EX/.EE block of a
# manual page whose first line begins with "$ ". Its lines that begin with "$ "
# are commands; the lines after a command, up to the next command or the end of
# the block, are what that command prints on standard output. Each example runs
# as one shell session (so `echo $?` sees the status of the command before it)
# in a fresh empty directory, with `headtrim` on PATH standing for PROGRAM, run
# through RUNNER if one is given (Wine, for the Windows build).
#
# Comparison: byte for byte. headtrim ends every line with CR LF, so the lines
# shown after a `headtrim` command are expected with CR LF ends; the lines of
# any other command with LF. Nothing may be written to standard error. In the
# manual page, the roff escapes \- \e \(aq and the font changes \fI \fB \fR \fP
# stand for the characters they print.
set -u

program=$1
shift
runner=
if [ "$1" != -- ]; then
    runner=$1
    shift
fi
[ "$1" = -- ] || { echo "usage: $0 PROGRAM [RUNNER] -- FILE..." >&2; exit 2; }
shift
# The sessions run elsewhere: make relative paths absolute.
case $program in /*) ;; *) program=$PWD/$program ;; esac
case $runner in */*) case $runner in /*) ;; *) runner=$PWD/$runner ;; esac ;; esac

scratch=$(mktemp -d "${TMPDIR:-/tmp}/headtrim-examples.XXXXXX") || exit 2
trap 'rm -rf "$scratch"' EXIT

mkdir "$scratch/bin"
{
    echo '#!/bin/sh'
    if [ -n "$runner" ]; then
        printf 'exec "%s" "%s" "$@"\n' "$runner" "$program"
    else
        printf 'exec "%s" "$@"\n' "$program"
    fi
} >"$scratch/bin/headtrim"
chmod +x "$scratch/bin/headtrim"

# Splits the examples into N/session.sh, which sends what its K-th command
# prints to out.K and err.K, N/expected.K, and N/where (file and line).
awk -v dir="$scratch" '
    function begin_example() {
        count++
        example = dir "/" count
        system("mkdir \"" example "\"")
        session = example "/session.sh"
        printf "" > session
        print FILENAME ":" FNR > (example "/where")
        close(example "/where")
        n = 0
        in_block = 1
    }
    function end_example() {
        close(session)
        if (expected != "") close(expected)
        expected = ""
        in_block = 0
    }
    function unescape(line) {
        gsub(/\\-/, "-", line)
        gsub(/\\\(aq/, "\047", line)
        gsub(/\\f[IBRP]/, "", line)
        gsub(/\\e/, "\\", line)
        return line
    }
    function take(line) {
        if (substr(line, 1, 2) == "$ ") {
            if (expected != "") close(expected)
            n++
            command = substr(line, 3)
            crlf = (command ~ /^headtrim( |$)/)
            printf "{ %s\n} >\"$OUT/out.%d\" 2>\"$OUT/err.%d\"\n", command, n, n > session
            print command > (example "/command." n)
            close(example "/command." n)
            expected = example "/expected." n
            printf "" > expected
        } else if (n == 0) {
            printf "%s:%d: output before the first command\n", FILENAME, FNR > "/dev/stderr"
            failed = 1
        } else {
            printf "%s%s", line, (crlf ? "\r\n" : "\n") > expected
        }
    }
    FNR == 1 {
        if (in_block) { printf "%s: example not closed\n", previous > "/dev/stderr"; failed = 1 }
        in_block = 0
        manual = (FILENAME ~ /\.[1-9]$/)
        previous = FILENAME
    }
    !manual && !in_block && $0 == "```console" { begin_example(); next }
    !manual && in_block && $0 == "```" { end_example(); next }
    manual && !in_block && $0 == ".EX" { pending = 1; next }
    manual && pending { pending = 0; if (substr($0, 1, 2) != "$ ") next; begin_example() }
    manual && in_block && $0 == ".EE" { end_example(); next }
    in_block { take(manual ? unescape($0) : $0) }
    END {
        if (in_block) { printf "%s: example not closed\n", previous > "/dev/stderr"; failed = 1 }
        exit failed
    }
' "$@" || exit 1

status=0
examples=0
for example in "$scratch"/[0-9]*; do
    [ -f "$example/session.sh" ] || continue
    examples=$((examples + 1))
    where=$(cat "$example/where")
    mkdir "$example/work"
    (cd "$example/work" && OUT=$example PATH="$scratch/bin:$PATH" LC_ALL=C sh "$example/session.sh")
    k=1
    while [ -f "$example/expected.$k" ]; do
        command=$(cat "$example/command.$k")
        if ! cmp -s "$example/expected.$k" "$example/out.$k"; then
            echo "$where: \$ $command: output differs (shown, then printed; ^M is CR):"
            cat -A "$example/expected.$k"
            echo "--"
            cat -A "$example/out.$k"
            status=1
        fi
        if [ -s "$example/err.$k" ]; then
            echo "$where: \$ $command: wrote to standard error:"
            cat "$example/err.$k"
            status=1
        fi
        k=$((k + 1))
    done
done
if [ "$examples" -eq 0 ]; then
    echo "no examples found in: $*"
    exit 1
fi
[ "$status" -eq 0 ] && echo "$examples examples match"
exit "$status"
