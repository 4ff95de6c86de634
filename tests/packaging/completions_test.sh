#!/usr/bin/env bash
# The shell completions of tarnexfast-cli offer its commands and, per
# command, its options and files, in bash, zsh and fish.
# Usage: completions_test.sh COMPLETIONS_DIR
set -euo pipefail
dir=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
touch notes.txt report.KVX
passed=0 failed=0
expect() { # name, wanted, got
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAIL: %s\n  wanted: %s\n  got:    %s\n' "$1" "$2" "$3" >&2
  fi
}

bash_complete() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tarnexfast_cli
           printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd " "' _ "$dir/tarnexfast-cli.bash" "$@"
}
expect "bash: commands" "encrypt encrypt-text" "$(bash_complete tarnexfast-cli enc)"
expect "bash: wipe options" "-- --passes --yes" "$(bash_complete tarnexfast-cli wipe --)"
expect "bash: text options" "--bytes --password-file" "$(bash_complete tarnexfast-cli decrypt-text -)"
expect "bash: files" "notes.txt report.KVX" "$(bash_complete tarnexfast-cli decrypt '')"
expect "bash: password file" "notes.txt" "$(bash_complete tarnexfast-cli encrypt --password-file no)"

fish_complete() {
  fish --no-config -c "source $dir/tarnexfast-cli.fish; complete -C '$1'" | cut -f1 | LC_ALL=C sort | paste -sd " "
}
expect "fish: commands" "encrypt encrypt-text" "$(fish_complete 'tarnexfast-cli enc')"
expect "fish: wipe options" "--passes --yes" "$(fish_complete 'tarnexfast-cli wipe --')"
expect "fish: text options" "--bytes --password-file" "$(fish_complete 'tarnexfast-cli encrypt-text --')"
expect "fish: files" "notes.txt report.KVX" "$(fish_complete 'tarnexfast-cli decrypt ')"
expect "fish: no files for text" "" "$(fish_complete 'tarnexfast-cli encrypt-text ')"

# zsh: the function as compinit would run it, with its helpers recording
# what they were asked to offer.
zsh_complete() {
  zsh -f -c '_describe() { print -r -- "describe $*" }; _arguments() { print -r -- "arguments $*" }
             words=("${@:2}"); CURRENT=$#words; source "$1"' _ "$dir/_tarnexfast-cli" "$@"
}
expect "zsh: parses" "" "$(zsh -n "$dir/_tarnexfast-cli" 2>&1)"
expect "zsh: commands" "describe -t commands tarnexfast-cli command subcommands" \
  "$(zsh_complete tarnexfast-cli '' | head -n1)"
expect "zsh: wipe" "arguments -s --passes=[number of wipe passes]:passes (default 3): --yes[wipe without asking] *:file:_files" \
  "$(zsh_complete tarnexfast-cli wipe '')"
expect "zsh: text" "arguments -s --password-file=[read the password from the first line of a file]:password file:_files --bytes[take and give the plain side as bytes]" \
  "$(zsh_complete tarnexfast-cli encrypt-text '')"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
