#!/usr/bin/env bash
# The launcher against a fake program that exits with scripted codes.
# Usage: launcher_test.sh PATH/TO/kestrune-run
set -u
launcher=$1
failures=0
export KESTRUNE_TRIAL_SECONDS=1

# fake NAME CODES...: a program that logs "NAME ARGS", shows its first frame
# (signals the launcher that asked and removes "kestrune.old", as the program
# does) and exits with the next code of its list on each run; codes starting
# with '!' end before the first frame ("!SEGV" dies of that signal), "hang"
# hangs before it, deaf to TERM, and "=CODE" gives only the signal (it could not
# remove "kestrune.old") and runs on past the trial time before it exits.
fake() {
  local name=$1; shift
  cat <<SCRIPT
#!/usr/bin/env bash
echo "$name \$*" >> calls.txt
codes=($*)
n=\$(cat runs.$name 2>/dev/null || echo 0)
echo \$((n + 1)) > runs.$name
code=\${codes[\$n]:-0}
case \$code in !SEGV) kill -SEGV \$\$ ;; !*) exit \${code#!} ;; hang) trap '' TERM; while :; do sleep 0.1; done ;; esac
[ -n "\${KESTRUNE_LAUNCHER:-}" ] && kill -USR1 "\$KESTRUNE_LAUNCHER"
case \$code in =*) sleep \$((KESTRUNE_TRIAL_SECONDS + 2)); exit \${code#=} ;; esac
rm -f kestrune.old
exit \$code
SCRIPT
}

# check NAME OLD_CODES NEW_CODES EXPECTED_EXIT EXPECTED_CALLS
# NEW_CODES: "-" no update, "text" a text file unpacked as the update, or the
# new program's codes; "cut:CODES" when a power cut ended its trial, so that
# the launcher starts with it installed and "kestrune.old" beside it.
check() {
  local name=$1 old=$2 new=$3 want=$4 calls=$5
  local dir; dir=$(mktemp -d)
  cp "$launcher" "$dir/kestrune-run"
  fake old "$old" > "$dir/kestrune"; chmod +x "$dir/kestrune"
  if [ "$new" = text ]; then printf 'hello, world\n' > "$dir/kestrune.new"  # 13 bytes of no program
  elif [ "${new#cut:}" != "$new" ]; then
    mv "$dir/kestrune" "$dir/kestrune.old"
    fake new "${new#cut:}" > "$dir/kestrune"; chmod +x "$dir/kestrune"
  elif [ "$new" != "-" ]; then fake new "$new" > "$dir/kestrune.new"; fi
  [ "$new" != "-" ] && echo "5.138.kst" > "$dir/update-package.txt"
  (cd / && "$dir/kestrune-run" -d 2>/dev/null)
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
  # A roll-back names the failed package for the next start; a good update leaves no note.
  local note=""; [ "$new" != "-" ] && [ "$last" = old ] && note="5.138.kst"
  if [ -e "$dir/update-package.txt" ] || [ "$(head -n 1 "$dir/update-failed.txt" 2>/dev/null)" != "$note" ]; then
    echo "FAIL $name: update-failed.txt does not name '$note', or update-package.txt is left"; failures=$((failures + 1))
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
check "new one hangs without a window"    "34 33"    "hang"  33 "old -d;new -d;old -d;"
check "its frame signalled, old kept"     "34"       "=10 33" 33 "old -d;new -d;new -d;"
check "power cut, then it crashes"        "33"       "cut:!SEGV" 33 "new -d;old -d;"
check "power cut, then it hangs"          "33"       "cut:hang"  33 "new -d;old -d;"
check "power cut, then it starts"         "0"        "cut:10 33" 33 "new -d;new -d;"

if [ "$failures" -ne 0 ]; then exit 1; fi
