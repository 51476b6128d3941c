# Sourced by the measuring scripts. cpu_ns PID: the CPU time the process has had, in nanoseconds,
# summed over its threads, as the scheduler counts it. /proc/PID/stat gives the same in clock ticks
# of 10 ms, and a program that wakes briefly 30 times a second runs for only a few ticks in half a
# minute, so rounding alone would move a reading by a fifth. A thread that ends takes its time
# with it; none of Kelvara's ends while it runs.
cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{n += $1} END {printf "%.0f\n", n}'
}
