/*
 * wineqemu_shim.so - LD_PRELOAD helper for running 32-bit Wine (i386) under
 * qemu-i386 user-mode emulation (qemu-user 7.2, Debian 12).
 *
 * It works around two qemu-i386 7.2 linux-user limitations:
 *
 * 1. MAP_FIXED_NOREPLACE is not implemented: qemu treats it as a plain address
 *    hint and returns some other free address when the range is busy.  Wine's
 *    ntdll (anon_mmap_tryfixed()/reserve_area() in dlls/ntdll/unix/virtual.c)
 *    relies on the kernel behaviour (EEXIST); with qemu it keeps the misplaced
 *    blocks above 0x7ffe0000, fragments the top of the address space and the
 *    later reservation of [0x7ffe0000,4G) degenerates into ~10^5 slow 64K
 *    probes (~50 s of CPU per process).  We restore the kernel semantics.
 *
 * 2. The TLS entries of the GDT (set_thread_area) are shared by all threads of
 *    a process in qemu, and sigreturn reloads %fs/%gs from that table.  After
 *    a signal, a thread's %gs (glibc TLS) or %fs (Wine TEB) can therefore point
 *    to the TLS/TEB of the most recently created thread -> random crashes
 *    ("qemu: uncaught target signal 11", "stack smashing detected", ...).
 *      a) Wine's set_thread_area(entry_number == -1) request for %fs is made to
 *         fail, so Wine falls back to a private LDT selector per thread (its
 *         own, long-standing code path in signal_i386.c);
 *      b) glibc's %gs of every thread (main thread + threads created via
 *         pthread_create) is moved to a private LDT entry in 1..511 (Wine
 *         leaves the first 512 LDT entries alone when %gs is an LDT selector).
 *
 * 3. The signal context built by qemu-i386 7.2 always has trapno == -1 (the
 *    error code is valid).  Wine's i386 segv/fpe/trap handlers dispatch on
 *    trapno, so every page fault (guard pages, stack growth, write watches,
 *    IsBadReadPtr, SEH access violations) becomes "Got unexpected trap -1" ->
 *    EXCEPTION_ILLEGAL_INSTRUCTION.  We wrap the SIGSEGV/SIGBUS/SIGILL/SIGFPE/
 *    SIGTRAP handlers installed with sigaction() and fill in a plausible trapno
 *    derived from the signal number and si_code before calling them.
 *
 * Build: gcc -m32 -O2 -shared -fPIC -o wineqemu_shim.so wineqemu_shim.c -ldl -lpthread
 * Env:   WINEQEMU_SHIM_NO_TLS=1 disables part 2, WINEQEMU_SHIM_NO_MMAP=1 part 1,
 *        WINEQEMU_SHIM_NO_TRAPNO=1 part 3.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/ucontext.h>
#include <unistd.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

typedef long (*syscall_fn)(long, ...);
static syscall_fn real_syscall;
static int do_mmap_fix = 1, do_tls_fix = 1, do_trap_fix = 1;

static long sys6(long n, long a, long b, long c, long d, long e, long f)
{
    if (!real_syscall) real_syscall = (syscall_fn)dlsym(RTLD_NEXT, "syscall");
    return real_syscall(n, a, b, c, d, e, f);
}

/* ---------------- part 1: MAP_FIXED_NOREPLACE ---------------- */

static void *fix_result(void *want, void *got, size_t len, int flags)
{
    if (!do_mmap_fix || got == MAP_FAILED || !(flags & MAP_FIXED_NOREPLACE) ||
        (flags & MAP_FIXED) || got == want)
        return got;
    sys6(SYS_munmap, (long)got, (long)len, 0, 0, 0, 0);
    errno = EEXIST;
    return MAP_FAILED;
}

static void *do_mmap(void *addr, size_t len, int prot, int flags, int fd, uint64_t off)
{
    if (off & 4095) { errno = EINVAL; return MAP_FAILED; }
    return (void *)sys6(SYS_mmap2, (long)addr, (long)len, prot, flags, fd, (long)(off >> 12));
}

void *mmap64(void *addr, size_t len, int prot, int flags, int fd, off64_t off)
{
    return fix_result(addr, do_mmap(addr, len, prot, flags, fd, (uint64_t)off), len, flags);
}

void *mmap(void *addr, size_t len, int prot, int flags, int fd, off_t off)
{
    return fix_result(addr, do_mmap(addr, len, prot, flags, fd, (uint32_t)off), len, flags);
}

/* ---------------- part 2: per-thread segment selectors ---------------- */

struct user_desc_s
{
    unsigned int  entry_number;
    unsigned long base_addr;
    unsigned int  limit;
    unsigned int  seg_32bit : 1;
    unsigned int  contents : 2;
    unsigned int  read_exec_only : 1;
    unsigned int  limit_in_pages : 1;
    unsigned int  seg_not_present : 1;
    unsigned int  usable : 1;
    unsigned int  garbage : 25;
};

#define FIRST_IDX 1
#define LAST_IDX  511
static unsigned char ldt_used[LAST_IDX + 1];
static unsigned int ldt_next = FIRST_IDX;
static pthread_mutex_t ldt_lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_key_t ldt_key;
static int ldt_key_ok;

static int alloc_idx(void)
{
    int i, idx = -1;
    pthread_mutex_lock(&ldt_lock);
    for (i = 0; i <= LAST_IDX - FIRST_IDX; i++)   /* round robin: delay reuse */
    {
        unsigned int cand = ldt_next;
        ldt_next = (ldt_next >= LAST_IDX) ? FIRST_IDX : ldt_next + 1;
        if (!ldt_used[cand]) { ldt_used[cand] = 1; idx = cand; break; }
    }
    pthread_mutex_unlock(&ldt_lock);
    return idx;
}

static void free_idx(void *p)
{
    int idx = (int)(intptr_t)p;
    pthread_mutex_lock(&ldt_lock);
    if (idx >= FIRST_IDX && idx <= LAST_IDX) ldt_used[idx] = 0;
    pthread_mutex_unlock(&ldt_lock);
}

static unsigned short get_gs(void) { unsigned short s; __asm__ __volatile__("movw %%gs,%0" : "=r"(s)); return s; }

/* move this thread's %gs (glibc TCB) to a private LDT entry */
static void move_gs_to_ldt(void)
{
    struct user_desc_s d;
    unsigned long base;
    unsigned short sel;
    int idx;

    if (!do_tls_fix) return;
    if (get_gs() & 4) return;                       /* already an LDT selector */
    __asm__ __volatile__("movl %%gs:0,%0" : "=r"(base));   /* tcbhead_t.tcb == self */
    if ((idx = alloc_idx()) < 0) return;
    memset(&d, 0, sizeof(d));
    d.entry_number = idx;
    d.base_addr = base;
    d.limit = 0xfffff;
    d.seg_32bit = 1;
    d.limit_in_pages = 1;
    d.usable = 1;
    if (sys6(SYS_modify_ldt, 0x11, (long)&d, sizeof(d), 0, 0, 0) < 0) { free_idx((void *)(intptr_t)idx); return; }
    sel = (idx << 3) | 7;
    __asm__ __volatile__("movw %0,%%gs" :: "r"(sel) : "memory");
    if (ldt_key_ok) pthread_setspecific(ldt_key, (void *)(intptr_t)idx);
}

struct start_args { void *(*fn)(void *); void *arg; sigset_t mask; };

static unsigned short gdt_gs_sel;            /* glibc's original GDT selector */
static pthread_mutex_t create_lock = PTHREAD_MUTEX_INITIALIZER;

static void set_gs(unsigned short sel) { __asm__ __volatile__("movw %0,%%gs" :: "r"(sel) : "memory"); }

static void *thread_trampoline(void *p)
{
    struct start_args a = *(struct start_args *)p;
    free(p);
    /* here %gs is the (shared) GDT selector with our own TCB cached; all
     * signals are blocked, so nothing can reload it before we move it */
    move_gs_to_ldt();
    pthread_sigmask(SIG_SETMASK, &a.mask, NULL);
    return a.fn(a.arg);
}

typedef int (*pthread_create_fn)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);

/*
 * qemu's clone(CLONE_SETTLS) writes the shared GDT TLS entry and reloads the
 * child's %gs with the parent's current selector, so around the real
 * pthread_create the parent must use the GDT selector again (with the entry
 * pointing to its own TCB), with signals blocked so no sigreturn reloads it.
 */
int pthread_create(pthread_t *t, const pthread_attr_t *attr, void *(*fn)(void *), void *arg)
{
    static pthread_create_fn real;
    struct start_args *a;
    struct user_desc_s d;
    sigset_t all, old;
    unsigned short my_sel;
    unsigned long base;
    int ret;

    if (!real) real = (pthread_create_fn)dlsym(RTLD_NEXT, "pthread_create");
    my_sel = get_gs();
    if (!do_tls_fix || !gdt_gs_sel || !(my_sel & 4) || !(a = malloc(sizeof(*a))))
        return real(t, attr, fn, arg);
    a->fn = fn;
    a->arg = arg;

    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    a->mask = old;
    pthread_mutex_lock(&create_lock);

    __asm__ __volatile__("movl %%gs:0,%0" : "=r"(base));
    memset(&d, 0, sizeof(d));
    d.entry_number = gdt_gs_sel >> 3;
    d.base_addr = base;
    d.limit = 0xfffff;
    d.seg_32bit = 1;
    d.limit_in_pages = 1;
    d.usable = 1;
    if (sys6(SYS_set_thread_area, (long)&d, 0, 0, 0, 0, 0) == 0)
    {
        set_gs(gdt_gs_sel);
        ret = real(t, attr, thread_trampoline, a);
        set_gs(my_sel);
    }
    else ret = real(t, attr, thread_trampoline, a);   /* should not happen */

    pthread_mutex_unlock(&create_lock);
    if (ret) free(a);
    pthread_sigmask(SIG_SETMASK, &old, NULL);
    return ret;
}

/* Wine calls syscall(SYS_set_thread_area) for its %fs TEB selector. */
long syscall(long n, ...)
{
    va_list ap;
    long a, b, c, d, e, f;

    va_start(ap, n);
    a = va_arg(ap, long); b = va_arg(ap, long); c = va_arg(ap, long);
    d = va_arg(ap, long); e = va_arg(ap, long); f = va_arg(ap, long);
    va_end(ap);

    if (n == SYS_set_thread_area && do_tls_fix && a &&
        ((struct user_desc_s *)a)->entry_number == (unsigned int)-1)
    {
        errno = ENOSYS;
        return -1;
    }
    if (n == SYS_mmap2 && do_mmap_fix)
        return (long)fix_result((void *)a, (void *)sys6(n, a, b, c, d, e, f), (size_t)b, (int)d);
    return sys6(n, a, b, c, d, e, f);
}

/* ---------------- part 3: trapno in the signal context ---------------- */

typedef void (*sa_handler3)(int, siginfo_t *, void *);
typedef int (*sigaction_fn)(int, const struct sigaction *, struct sigaction *);
static sa_handler3 user_handlers[65];
static sigaction_fn real_sigaction;

static int wrapped_signal(int sig)
{
    return sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE || sig == SIGTRAP;
}

static void trap_wrapper(int sig, siginfo_t *si, void *ctx)
{
    ucontext_t *uc = ctx;
    sa_handler3 h = user_handlers[sig];

    if (uc && (int)uc->uc_mcontext.gregs[REG_TRAPNO] == -1)
    {
        int trap = -1;
        switch (sig)
        {
        case SIGSEGV:
            if (si->si_code == SEGV_MAPERR || si->si_code == SEGV_ACCERR) trap = 14;  /* page fault */
            else trap = 13;                                                      /* general protection */
            break;
        case SIGBUS:  trap = (si->si_code == BUS_ADRALN) ? 17 : 13; break;
        case SIGILL:  trap = 6; break;                                           /* invalid opcode */
        case SIGTRAP: trap = (si->si_code == TRAP_TRACE) ? 1 : 3; break;         /* single step / int3 */
        case SIGFPE:
            switch (si->si_code)
            {
            case FPE_INTDIV: trap = 0; break;
            case FPE_INTOVF: trap = 4; break;
            default:         trap = 16; break;                                   /* x87 fpu error */
            }
            break;
        }
        uc->uc_mcontext.gregs[REG_TRAPNO] = trap;
    }
    if (h) h(sig, si, ctx);
}

int sigaction(int sig, const struct sigaction *act, struct sigaction *oact)
{
    struct sigaction copy;
    sa_handler3 prev;
    int ret;

    if (!real_sigaction) real_sigaction = (sigaction_fn)dlsym(RTLD_NEXT, "sigaction");
    if (!do_trap_fix || sig <= 0 || sig > 64 || !wrapped_signal(sig))
        return real_sigaction(sig, act, oact);

    prev = user_handlers[sig];
    if (act && (act->sa_flags & SA_SIGINFO) && act->sa_sigaction)
    {
        copy = *act;
        user_handlers[sig] = act->sa_sigaction;
        copy.sa_sigaction = trap_wrapper;
        act = &copy;
    }
    ret = real_sigaction(sig, act, oact);
    if (ret) { user_handlers[sig] = prev; return ret; }
    if (oact && (oact->sa_flags & SA_SIGINFO) && oact->sa_sigaction == trap_wrapper)
        oact->sa_sigaction = prev;
    return ret;
}

__attribute__((constructor)) static void shim_init(void)
{
    const char *s;
    if ((s = getenv("WINEQEMU_SHIM_NO_TLS")) && *s == '1') do_tls_fix = 0;
    if ((s = getenv("WINEQEMU_SHIM_NO_MMAP")) && *s == '1') do_mmap_fix = 0;
    if ((s = getenv("WINEQEMU_SHIM_NO_TRAPNO")) && *s == '1') do_trap_fix = 0;
    if (!real_syscall) real_syscall = (syscall_fn)dlsym(RTLD_NEXT, "syscall");
    if (do_tls_fix)
    {
        ldt_key_ok = !pthread_key_create(&ldt_key, free_idx);
        gdt_gs_sel = get_gs();
        if (gdt_gs_sel & 4) gdt_gs_sel = 0;   /* not a GDT selector: leave alone */
        else move_gs_to_ldt();
    }
}
