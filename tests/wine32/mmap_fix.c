/* Preloaded into 32-bit Wine under qemu-user: gives mmap's MAP_FIXED_NOREPLACE the kernel's meaning back. */
#define _GNU_SOURCE
#include <errno.h>
#include <stdint.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

/* qemu-user takes MAP_FIXED_NOREPLACE as a mere hint and hands back some other
   address when the one asked for is taken. Wine relies on the kernel's answer
   (EEXIST) to find out that a range is occupied, so a moved mapping is given
   back and the call fails as the kernel would have failed it. */
static void *MapPages(void *addr, size_t length, int prot, int flags, int fd, uint64_t offset)
{
    if (offset & 4095) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    /* mmap2 counts the offset in 4096-byte units on i386, which keeps large files reachable. */
    void *result = (void *)syscall(SYS_mmap2, addr, length, prot, flags, fd, (unsigned long)(offset >> 12));
    if (result != MAP_FAILED && (flags & MAP_FIXED_NOREPLACE) && result != addr) {
        syscall(SYS_munmap, result, length);
        errno = EEXIST;
        return MAP_FAILED;
    }
    return result;
}

void *mmap(void *addr, size_t length, int prot, int flags, int fd, off_t offset)
{
    /* off_t is 32 bits here: a negative value is an invalid offset, not a huge one. */
    if (offset < 0) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    return MapPages(addr, length, prot, flags, fd, (uint64_t)offset);
}

void *mmap64(void *addr, size_t length, int prot, int flags, int fd, off64_t offset)
{
    if (offset < 0) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    return MapPages(addr, length, prot, flags, fd, (uint64_t)offset);
}
