/* hold-lock FILE: takes a write lock on FILE, as another program that keeps
 * the file open for writing would, prints "locked" and holds the lock until
 * its standard input ends or it is killed. The lock is an open-file lock,
 * which the program's own locks and classic POSIX locks both respect. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: hold-lock FILE\n");
    return 2;
  }
  int fd = open(argv[1], O_RDWR);
  if (fd < 0) {
    perror("hold-lock: open");
    return 1;
  }
  struct flock lock;
  memset(&lock, 0, sizeof lock);
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    perror("hold-lock: lock");
    return 1;
  }
  printf("locked\n");
  fflush(stdout);
  char buffer[64];
  while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
  }
  close(fd);
  return 0;
}
