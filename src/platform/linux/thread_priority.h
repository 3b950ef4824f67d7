#pragma once
// Scheduling of the threads that stand for Windows' time-critical ones.
#include <sched.h>
#include <sys/resource.h>
#include <sys/types.h>

namespace kb::platform {

// Windows runs a THREAD_PRIORITY_TIME_CRITICAL thread (base priority 15) ahead
// of every ordinary thread at once, and kernel completions ahead of all
// threads. Linux's fair scheduler only weighs a negative nice value: a woken
// thread can wait in the queue of a core held by a kernel thread (a
// non-preemptible kernel's memory monitor held one for 3 ms at a time) while
// the other core idles. SCHED_FIFO at the lowest real-time priority is the
// nearest match: it runs before every ordinary thread and takes the core at
// the kernel thread's next preemption point. Threads it creates start
// ordinary at nice 0 (reset on fork). Where real-time scheduling is not
// allowed (no root, CAP_SYS_NICE or RLIMIT_RTPRIO) the thread gets nice -15
// if it may. Header-only: kbsim's server, which stands for
// the kernel and the devices, raises its loop the same way.
inline void RaiseThreadTimeCritical(pid_t tid) {
  sched_param param{};
  param.sched_priority = 1;
  if (sched_setscheduler(tid, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0) return;
  setpriority(PRIO_PROCESS, static_cast<id_t>(tid), -15);
  param.sched_priority = 0;
  sched_setscheduler(tid, SCHED_OTHER | SCHED_RESET_ON_FORK, &param);
}

// Back to the ordinary policy with `nice` (best effort, as above).
inline void SetThreadNice(pid_t tid, int nice) {
  sched_param param{};
  if (sched_getscheduler(tid) != SCHED_OTHER) sched_setscheduler(tid, SCHED_OTHER, &param);
  setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice);
}

}  // namespace kb::platform
