# fish completion for tarnexfast-cli

set -l commands encrypt decrypt wipe encrypt-text decrypt-text
complete -c tarnexfast-cli -f
complete -c tarnexfast-cli -n "not __fish_seen_subcommand_from $commands" -a encrypt -d 'Encrypt each file into FILE.KVX'
complete -c tarnexfast-cli -n "not __fish_seen_subcommand_from $commands" -a decrypt -d 'Decrypt each file into FILE.dec'
complete -c tarnexfast-cli -n "not __fish_seen_subcommand_from $commands" -a wipe -d 'Overwrite each file, then delete it'
complete -c tarnexfast-cli -n "not __fish_seen_subcommand_from $commands" -a encrypt-text -d 'Encrypt standard input into one Base64 line'
complete -c tarnexfast-cli -n "not __fish_seen_subcommand_from $commands" -a decrypt-text -d 'Decrypt such a line from standard input'
complete -c tarnexfast-cli -n "not __fish_seen_subcommand_from $commands" -s h -l help -d 'Show the help'
complete -c tarnexfast-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'

complete -c tarnexfast-cli -n "__fish_seen_subcommand_from encrypt decrypt encrypt-text decrypt-text" -l password-file -r -F -d 'Read the password from the first line of a file'
complete -c tarnexfast-cli -n "__fish_seen_subcommand_from encrypt decrypt wipe" -F
complete -c tarnexfast-cli -n "__fish_seen_subcommand_from wipe" -l passes -x -a '0 1 2 3 4 5 6 7' -d 'Number of wipe passes (default 3)'
complete -c tarnexfast-cli -n "__fish_seen_subcommand_from wipe" -l yes -d 'Wipe without asking'
complete -c tarnexfast-cli -n "__fish_seen_subcommand_from encrypt-text decrypt-text" -l bytes -d 'Take and give the plain side as bytes'
