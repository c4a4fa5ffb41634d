#!/usr/bin/env python3
"""Idle time of one run from a `perf sched record` of it.

Usage: idle_time.py PERF_DATA

The recorded command's process is the one perf started. Prints its time from start to exit and
the part of it during which none of its threads was running or waiting for a processor: time
spent on timers, polls or I/O. On a busy machine the wall time minus the CPU time also holds the
time its threads waited for a processor; this figure does not.
"""
import re
import subprocess
import sys


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[2])
    out = subprocess.run(['perf', 'script', '-i', sys.argv[1], '-F', 'pid,tid,time,event,trace'],
                         capture_output=True, text=True, check=True).stdout
    line = re.compile(r'\s*(\d+)/(\d+)\s+([\d.]+):\s+sched:(\S+):\s+(.*)')
    process = None  # pid perf started
    start = end = None
    runnable = {}   # thread -> running or waiting for a processor
    idle = 0.0
    last = None
    for text in out.splitlines():
        m = line.match(text)
        if not m:
            continue
        t, event, trace = float(m[3]), m[4], m[5]
        if process is None:
            # perf wakes the child it forked, named perf-exec until it runs the command.
            if event == 'sched_waking' and 'comm=perf-exec ' in trace:
                process = int(re.search(r' pid=(\d+)', trace)[1])
                start = last = t
                runnable[process] = True
            continue
        if not any(runnable.values()):
            idle += t - last
        last = t
        if event == 'sched_process_fork':
            f = re.search(r' pid=(\d+) child_comm=.* child_pid=(\d+)', trace)
            if f and int(f[1]) in runnable:
                runnable[int(f[2])] = True
        elif event == 'sched_switch':
            s = re.search(r'prev_pid=(\d+) prev_prio=\d+ prev_state=(\S+) ==> .*next_pid=(\d+)', trace)
            prev, state, nxt = int(s[1]), s[2], int(s[3])
            if prev == process and state[0] in 'XZ':
                end = t
                break
            if prev in runnable:
                runnable[prev] = state.startswith('R')
            if nxt in runnable:
                runnable[nxt] = True
        elif event in ('sched_waking', 'sched_wakeup', 'sched_wakeup_new'):
            w = int(re.search(r' pid=(\d+)', trace)[1])
            if w in runnable:
                runnable[w] = True
        elif event == 'sched_process_exit':
            x = int(re.search(r' pid=(\d+)', trace)[1])
            if x == process:
                end = t
                break
            runnable.pop(x, None)
    if process is None or end is None:
        sys.exit('idle_time.py: the recorded process was not found from start to exit')
    print(f'{end - start:.3f} {idle:.3f}')


if __name__ == '__main__':
    main()
