#!/usr/bin/env bash
# The launcher against a fake program that exits with scripted codes.
# Usage: launcher_test.sh PATH/TO/kestrune-run
set -u
launcher=$1
failures=0

# fake NAME CODES...: a program that logs "NAME ARGS", shows its first frame
# (removes "kestrune.old", as the program does) and exits with the next code of
# its list on each run; codes starting with '!' end before the first frame
# ("!SEGV" dies of that signal).
fake() {
  local name=$1; shift
  cat <<SCRIPT
#!/usr/bin/env bash
echo "$name \$*" >> calls.txt
codes=($*)
n=\$(cat runs.$name 2>/dev/null || echo 0)
echo \$((n + 1)) > runs.$name
code=\${codes[\$n]:-0}
case \$code in !SEGV) kill -SEGV \$\$ ;; !*) exit \${code#!} ;; esac
rm -f kestrune.old
exit \$code
SCRIPT
}

# case NAME OLD_CODES NEW_CODES(or -) EXPECTED_EXIT EXPECTED_CALLS
check() {
  local name=$1 old=$2 new=$3 want=$4 calls=$5
  local dir; dir=$(mktemp -d)
  cp "$launcher" "$dir/kestrune-run"
  fake old "$old" > "$dir/kestrune"; chmod +x "$dir/kestrune"
  if [ "$new" = text ]; then printf 'hello, world\n' > "$dir/kestrune.new"  # 13 bytes of no program
  elif [ "$new" != "-" ]; then fake new "$new" > "$dir/kestrune.new"; fi
  (cd / && "$dir/kestrune-run" -d)
  local got=$?
  local log; log=$(tr '\n' ';' < "$dir/calls.txt")
  if [ "$got" != "$want" ] || [ "$log" != "$calls" ]; then
    echo "FAIL $name: exit $got (want $want), calls '$log' (want '$calls')"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
  local last=${calls%;}; last=${last##*;}; last=${last%% *}  # the program that ran last stays
  if [ "$new" != "-" ] && { [ -e "$dir/kestrune.old" ] || ! grep -q "^echo \"$last" "$dir/kestrune"; }; then
    echo "FAIL $name: kestrune is not the $last program, or kestrune.old is left"; failures=$((failures + 1))
  fi
  rm -rf "$dir"
}

check "restart, then exit to OS"          "10 33"    -       33 "old -d;old -d;"
check "closed"                            "0"        -       0  "old -d;"
check "update swaps in kestrune.new"      "10 34"    "33"    33 "old -d;old -d;new -d;"
check "update without kestrune.new"       "34 33"    -       33 "old -d;old -d;"
check "crash code ends it"                "139"      -       139 "old -d;"
check "new text file: the old one again"  "34 33"    text    33 "old -d;old -d;"
check "new one dies before its frame"     "34 33"    "!SEGV" 33 "old -d;new -d;old -d;"
check "new one ends without a window"     "34 33"    "!1"    33 "old -d;new -d;old -d;"

if [ "$failures" -ne 0 ]; then exit 1; fi
