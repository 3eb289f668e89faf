# fish completion for orv: global options, command words, each group's
# subcommands, each subcommand's options, the service directories of the scan
# directory for `orv process ...` and the saved sets of the repository for
# `orv set load|delete`. It only reads directories and never runs a program.

# Where the command line stands: prints "" before the command word, the group
# ("live") before the subcommand word, else "group/subcommand". Sets
# __orv_scandir and __orv_repodir from the global options, else from the
# exported variables, else to the defaults.
function __orv_position
    set -l words (commandline -opc)
    set -e words[1]
    set -l sd /run/service
    set -q -x scandir; and set sd $scandir
    set -l rd /var/lib/tuvo/repository
    set -q -x repodir; and set rd $repodir
    set -l n (count $words)
    set -l i 1
    while test $i -le $n
        set -l w $words[$i]
        if test "$w" = --
            set i (math $i + 1)
            break
        else if string match -qr -- '^--scandir=' $w
            set sd (string replace -- --scandir= '' $w)
        else if string match -qr -- '^--repodir=' $w
            set rd (string replace -- --repodir= '' $w)
        else if string match -qr -- '^--' $w
        else if string match -qr -- '^-.' $w
            # A letter that takes a value takes the rest of the word, or the
            # next word when it ends the word.
            set -l m (string match -r -- '^-[hV]*([vslrc])(.*)$' $w)
            if test (count $m) -eq 3
                set -l value $m[3]
                if test -z "$value"; and test $i -lt $n
                    set -l next (math $i + 1)
                    if test "$words[$next]" != --
                        set i $next
                        set value $words[$i]
                    end
                end
                switch $m[2]
                    case s
                        set sd $value
                    case r
                        set rd $value
                end
            end
        else
            break
        end
        set i (math $i + 1)
    end
    set -g __orv_scandir $sd
    set -g __orv_repodir $rd
    if test $i -gt $n
        echo ''
        return
    end
    set -l group $words[$i]
    set i (math $i + 1)
    test $i -le $n; and test "$words[$i]" = --; and set i (math $i + 1)
    if test $i -gt $n
        echo $group
    else
        echo $group/$words[$i]
    end
end

function __orv_at
    contains -- (__orv_position) $argv
end

function __orv_services
    for d in $__orv_scandir/*/
        basename $d
    end
end

function __orv_sets
    for s in $__orv_repodir/sets/*
        set -l name (basename $s)
        test "$name" = current; or echo $name
    end
end

complete -c orv -f

# Global options and commands.
set -l top '__orv_at ""'
complete -c orv -n $top -s h -l help -d 'print the main help'
complete -c orv -n $top -s V -l version -d 'print the version line'
complete -c orv -n $top -s v -l verbosity -x -a '0 1 2 3' -d verbosity
complete -c orv -n $top -s s -l scandir -x -a '(__fish_complete_directories)' -d 'scan directory'
complete -c orv -n $top -s l -l livedir -x -a '(__fish_complete_directories)' -d 'live directory'
complete -c orv -n $top -s r -l repodir -x -a '(__fish_complete_directories)' -d 'repository'
complete -c orv -n $top -s c -l bootdb -x -a '(__fish_complete_directories)' -d 'boot database'
complete -c orv -n $top -l stmpdir -x -a '(__fish_complete_directories)' -d 'root-only temporary directory'
complete -c orv -n $top -l storelist -x -d 'colon-separated list of service stores'
complete -c orv -n $top -l color -x -a 'yes no auto' -d 'whether output may be coloured'
complete -c orv -n $top -a help -d 'print the main help'
complete -c orv -n $top -a version -d 'print the version line'
complete -c orv -n $top -a system -d 'boot and shut down the system'
complete -c orv -n $top -a live -d 'start and stop services and their dependencies'
complete -c orv -n $top -a process -d 'control individual long-running processes'
complete -c orv -n $top -a set -d 'edit sets of services offline'
complete -c orv -n $top -a repository -d 'manage the service repository'

# Subcommands.
complete -c orv -n '__orv_at live' -a 'help install restart start start-everything status stop stop-everything'
complete -c orv -n '__orv_at process' -a 'help kill restart start status stop'
complete -c orv -n '__orv_at set' -a 'check commit delete disable enable help list load make-essential mask save status unmask'
complete -c orv -n '__orv_at repository' -a 'check help init list sync'
complete -c orv -n '__orv_at system' -a 'boot halt help poweroff reboot shutdown'

# live
set -l c '__orv_at live/start live/stop live/restart live/start-everything live/stop-everything system/boot'
complete -c orv -n $c -s n -l dry-run -d 'only show what would be done'
complete -c orv -n $c -s t -l timeout -x -d 'time limit in milliseconds'
set -l c '__orv_at live/status live/stop-everything set/list set/status'
complete -c orv -n $c -s e -l without-essentials -d 'leave essential services out'
complete -c orv -n $c -s E -l with-essentials -d 'include essential services'
set -l c '__orv_at live/install'
complete -c orv -n $c -s b -l block -d 'on contention, wait rather than fail'
complete -c orv -n $c -s K -l keep-old -d 'keep the old database and print its path'
complete -c orv -n $c -l init -d 'install the initial database'
complete -c orv -n $c -s e -l force-essentials -d 'stop obsolete essential services if needed'
complete -c orv -n $c -s E -l no-force-essentials -d 'keep obsolete essential services up'
complete -c orv -n $c -s f -l conversion-file -r -F -d 'conversion file to the new set'
complete -c orv -n '__orv_at live/start-everything system/boot set/commit' -s D -l default-bundle -x -d 'bundle to start'

# process
set -l c '__orv_at process/start process/stop'
complete -c orv -n $c -s P -l no-permanent -d 'do not override the official state'
complete -c orv -n $c -s p -l permanent -d 'make the change the standing state'
set -l c '__orv_at process/start process/stop process/restart process/kill'
complete -c orv -n $c -s W -l no-wait -d 'exit without waiting'
complete -c orv -n $c -s w -l wait -d 'exit only once done'
complete -c orv -n $c -s t -l timeout -x -d 'time limit in milliseconds'
complete -c orv -n '__orv_at process/kill' -s s -l signal -x -d 'signal to send' \
    -a 'ABRT ALRM BUS CHLD CONT FPE HUP ILL INT KILL PIPE PROF QUIT SEGV STOP SYS TERM TRAP TSTP TTIN TTOU URG USR1 USR2 VTALRM XCPU XFSZ'
complete -c orv -n '__orv_at process/status' -s L -l without-logs -d 'leave the logger out'
complete -c orv -n '__orv_at process/status' -s l -l with-logs -d 'show the logger too'
complete -c orv -n '__orv_at live/status process/status' -l json -d 'print one JSON array for scripts'
complete -c orv -n '__orv_at process/start process/stop process/restart process/kill process/status' \
    -a '(__orv_services)' -d 'service directory'

# set and repository
set -l c '__orv_at set/enable set/disable set/mask set/unmask set/make-essential'
complete -c orv -n $c -s f -l ignore-dependencies -d 'only change the listed services'
complete -c orv -n $c -s n -l dry-run -d 'show what would happen, do nothing'
complete -c orv -n $c -s I -l if-dependencies-found -x -a 'fail warn pull' -d 'what to do with dependencies'
set -l c '__orv_at set/check repository/check'
complete -c orv -n $c -s E -l no-force-essential -d 'allow no manual changes to essential services'
complete -c orv -n $c -s e -l force-essential -d 'allow manual changes to essential services'
complete -c orv -n $c -s d -l down -d 'fix by disabling or masking services'
complete -c orv -n $c -s u -l up -d 'fix by enabling services'
complete -c orv -n $c -s F -l fix -d 'try to fix inconsistencies'
complete -c orv -n '__orv_at set/commit set/save repository/init' -s f -l force -d 'overwrite or redo'
complete -c orv -n '__orv_at set/commit' -s K -l keep-old -d 'keep the old database and print its path'
complete -c orv -n '__orv_at set/commit repository/init repository/sync' -s h -l fdholder-user -x \
    -a '(__fish_complete_users)' -d 'user of the descriptor holder'
complete -c orv -n '__orv_at repository/init' -s U -l update-stores -d 'only update with new stores'
complete -c orv -n '__orv_at set/load set/delete' -a '(__orv_sets)' -d 'saved set'
complete -c orv -n '__orv_at system/boot' -s p -l prefix -x -d 'prefix for the initialiser'
