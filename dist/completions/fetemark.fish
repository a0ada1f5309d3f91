# fish completion for fetemark

set -l commands list show custom choice notes holidays contacts export settings notifications badge provider help

# The data options of the command line so far, so that IDs and setting names come from
# the data directory the command will use.
function __fetemark_data_options
    set -l words (commandline -opc)
    for i in (seq 2 (count $words))
        switch $words[$i]
            case --data-dir
                set -l next (math $i + 1)
                if test $next -le (count $words)
                    echo --data-dir
                    echo $words[$next]
                end
            case --demo
                echo --demo
        end
    end
end

function __fetemark_ids
    fetemark (__fetemark_data_options) list --json 2>/dev/null |
        string match -ar '"id": *"[^"]*"' | string replace -r '.*"([^"]*)"$' '$1'
end

function __fetemark_settings
    fetemark (__fetemark_data_options) settings list 2>/dev/null | string replace -r '\s.*' ''
end

function __fetemark_holiday_categories
    fetemark (__fetemark_data_options) holidays categories 2>/dev/null | tail -n +3 |
        string replace -r '\s.*' ''
end

# The holiday keys of the category the command line names.
function __fetemark_holiday_keys
    set -l category (__fetemark_arguments)[3]
    fetemark (__fetemark_data_options) holidays list $category 2>/dev/null |
        string replace -rf '^\[.\] (\S+).*' '$1'
end

# YES and NO for a yes-or-no setting, nothing for others.
function __fetemark_flag_values
    set -l name (__fetemark_arguments)[-1]
    fetemark (__fetemark_data_options) settings get $name 2>/dev/null | string match -qr '^(YES|NO)$'
    and printf '%s\n' YES NO
end

# The words after the command, without options.
function __fetemark_arguments
    set -l words (commandline -opc)
    set -l seen_command 0
    set -l skip 0
    for word in $words[2..-1]
        if test $skip -eq 1
            set skip 0
            continue
        end
        switch $word
            case --data-dir --now --tz --locale
                test $seen_command -eq 0; and set skip 1
            case '-*'
            case '*'
                set seen_command 1
                echo $word
        end
    end
end

# True when the words after the options are exactly the arguments given.
function __fetemark_at
    set -l arguments (__fetemark_arguments)
    test (count $arguments) -eq (count $argv); or return 1
    for i in (seq (count $argv))
        test "$argv[$i]" = '*'; or test "$arguments[$i]" = "$argv[$i]"; or return 1
    end
end

function __fetemark_in
    set -l arguments (__fetemark_arguments)
    test (count $arguments) -ge (count $argv); or return 1
    for i in (seq (count $argv))
        test "$arguments[$i]" = "$argv[$i]"; or return 1
    end
end

complete -c fetemark -f

# Global options
complete -c fetemark -n "not __fish_seen_subcommand_from $commands" -l data-dir -r -a '(__fish_complete_directories)' -d 'Data directory'
complete -c fetemark -n "not __fish_seen_subcommand_from $commands" -l now -x -d 'Current local time (YYYY-MM-DD or YYYY-MM-DDTHH:MM)'
complete -c fetemark -n "not __fish_seen_subcommand_from $commands" -l tz -x -a '(string replace -r "^/usr/share/zoneinfo/" "" /usr/share/zoneinfo/{Africa,America,Antarctica,Asia,Atlantic,Australia,Europe,Indian,Pacific}/**)' -d 'Device time zone'
complete -c fetemark -n "not __fish_seen_subcommand_from $commands" -l locale -x -a '(locale -a 2>/dev/null | string replace -r "\..*" "" | sort -u)' -d 'Device locale'
complete -c fetemark -n "not __fish_seen_subcommand_from $commands" -l demo -d 'Use the demo data directory'
complete -c fetemark -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version'
complete -c fetemark -n "not __fish_seen_subcommand_from $commands" -l gui -d 'Without a command: open the window'
complete -c fetemark -n "not __fish_seen_subcommand_from $commands" -l no-gui -d 'Without a command: print the list'
complete -c fetemark -l json -d 'JSON output'
complete -c fetemark -l help -d 'Print the usage'

# Commands
complete -c fetemark -n "__fetemark_at" -a list -d 'The occasions, soonest first'
complete -c fetemark -n "__fetemark_at" -a show -d 'One occasion: dates, phrase, fun facts, notes and actions'
complete -c fetemark -n "__fetemark_at" -a custom -d 'Add, edit or remove an entry kept only in Fetemark'
complete -c fetemark -n "__fetemark_at" -a choice -d "Switch an occasion's alerts, year and upcoming listing"
complete -c fetemark -n "__fetemark_at" -a notes -d "Read or write an occasion's notes"
complete -c fetemark -n "__fetemark_at" -a holidays -d 'Holiday categories and holidays: list them, choose which show'
complete -c fetemark -n "__fetemark_at" -a contacts -d 'Import, export and list the address book'
complete -c fetemark -n "__fetemark_at" -a export -d 'Every occasion as CSV or iCalendar events'
complete -c fetemark -n "__fetemark_at" -a settings -d 'Read and change settings'
complete -c fetemark -n "__fetemark_at" -a provider -d 'The reminder-service request URL as it would be sent'
complete -c fetemark -n "__fetemark_at" -a notifications -d 'The reminder schedule: show or apply it'
complete -c fetemark -n "__fetemark_at" -a badge -d 'The upcoming count as the icon badge shows it'
complete -c fetemark -n "__fetemark_at" -a help -d 'The commands, or the usage of one'
complete -c fetemark -n "__fetemark_at help" -a "$commands"

# list
complete -c fetemark -n "__fetemark_in list" -l filter -x -a 'birthdays anniversaries others holidays facebook 0 1 2 3 4 5' -d 'Kind of occasions'
complete -c fetemark -n "__fetemark_in list" -l search -x -d 'Beginnings of name words'

# show, choice, notes
complete -c fetemark -n "__fetemark_at show" -a '(__fetemark_ids)'
complete -c fetemark -n "__fetemark_at choice" -a '(__fetemark_ids)'
complete -c fetemark -n "__fetemark_in choice" -l alerts -x -a 'on off'
complete -c fetemark -n "__fetemark_in choice" -l year -x -a 'on off'
complete -c fetemark -n "__fetemark_in choice" -l upcoming -x -a 'on off'
complete -c fetemark -n "__fetemark_at notes" -a 'get set'
complete -c fetemark -n "__fetemark_at notes get; or __fetemark_at notes set" -a '(__fetemark_ids)'

# holidays
complete -c fetemark -n "__fetemark_at holidays" -a 'categories list subscribe unsubscribe'
complete -c fetemark -n "__fetemark_at holidays list; or __fetemark_at holidays subscribe; or __fetemark_at holidays unsubscribe" -a '(__fetemark_holiday_categories)'
complete -c fetemark -n "__fetemark_in holidays subscribe; or __fetemark_in holidays unsubscribe; and not __fetemark_at holidays '*'" -a '(__fetemark_holiday_keys)'

# custom
complete -c fetemark -n "__fetemark_at custom" -a 'add edit remove'
complete -c fetemark -n "__fetemark_at custom edit; or __fetemark_at custom remove" -a '(__fetemark_ids | string match "custom-*")'
for sub in add edit
    complete -c fetemark -n "__fetemark_in custom $sub" -l name -x -d Name
    complete -c fetemark -n "__fetemark_in custom $sub" -l date -x -d 'Date (YYYY-MM-DD)'
    complete -c fetemark -n "__fetemark_in custom $sub" -l type -x -a 'birthday anniversary other'
    complete -c fetemark -n "__fetemark_in custom $sub" -l label -x -d Label
    complete -c fetemark -n "__fetemark_in custom $sub" -l notes -x -d Notes
    complete -c fetemark -n "__fetemark_in custom $sub" -l no-year -d 'Leave the year out'
    complete -c fetemark -n "__fetemark_in custom $sub" -l once -d 'Happens only once'
end
complete -c fetemark -n "__fetemark_in custom edit" -l year -d 'Keep the year'
complete -c fetemark -n "__fetemark_in custom edit" -l yearly -d 'Comes round every year'

# contacts
complete -c fetemark -n "__fetemark_at contacts" -a 'import export list check recover'
complete -c fetemark -n "__fetemark_in contacts import" -F
complete -c fetemark -n "__fetemark_at contacts export" -F

# export
complete -c fetemark -n "__fetemark_at export" -a 'csv ics'
complete -c fetemark -n "__fetemark_at export csv; or __fetemark_at export ics" -F
complete -c fetemark -n "__fetemark_at export csv" -l mail -d 'Attach it to a new mail'

# settings
complete -c fetemark -n "__fetemark_at settings" -a 'list get set'
complete -c fetemark -n "__fetemark_at settings get; or __fetemark_at settings set" -a '(__fetemark_settings)'
complete -c fetemark -n "__fetemark_at settings set '*'" -a '(__fetemark_flag_values)'

# provider
complete -c fetemark -n "__fetemark_at provider" -a url
complete -c fetemark -n "__fetemark_in provider url" -l device-token -x -d 'As a device with this push token'
# notifications
complete -c fetemark -n "__fetemark_at notifications" -a 'plan apply install-agent uninstall-agent'
complete -c fetemark -n "__fetemark_in notifications install-agent; or __fetemark_in notifications uninstall-agent" -l force -d 'Replace or remove files fetemark did not write'
