# The check list of the install tests, sourced after `work` is set: check NAME COMMAND... runs
# COMMAND, counts it, and on failure prints NAME and the command's output; checks_done prints
# the counts and fails when any check failed.
passed=0
failed=0
check() { # NAME COMMAND...
    local name=$1
    shift
    if "$@" >"$work/last.log" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $name" >&2
        sed 's/^/    /' "$work/last.log" >&2
    fi
}
checks_done() {
    echo "$passed passed, $failed failed"
    ((failed == 0))
}
