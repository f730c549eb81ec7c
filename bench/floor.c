/* The floor of the benchmark: the system calls of headtrim's job, in the
 * same order, and nothing else. It reads the current directory, keeps the
 * regular, non-hidden names that match the pattern (case-insensitive "*" and
 * "?"), and, in the order headtrim lists them (upper-cased, then as they
 * are; ASCII names), renames each name that holds a space to what follows
 * its first space, never replacing a name, writing "old ==> new" and CR LF
 * as two writes. A blank line ends the report. For the benchmark's names its
 * report is headtrim's, byte for byte. Usage: floor PATTERN */
#define _GNU_SOURCE
#include <ctype.h>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int match(const char *p, const char *n) {
    const char *star = NULL, *resume = NULL;
    while (*n) {
        if (*p == '*') {
            star = p++;
            resume = n;
        } else if (*p && (*p == '?' || toupper((unsigned char)*p) == toupper((unsigned char)*n))) {
            p++;
            n++;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return 0;
        }
    }
    while (*p == '*') p++;
    return *p == 0;
}

static int listed_before(const void *a, const void *b) {
    const unsigned char *x = *(const unsigned char *const *)a;
    const unsigned char *y = *(const unsigned char *const *)b;
    for (size_t i = 0;; i++) {
        const int d = toupper(x[i]) - toupper(y[i]);
        if (d != 0) return d;
        if (x[i] == 0) return strcmp((const char *)x, (const char *)y);
    }
}

int main(int argc, char **argv) {
    if (argc != 2) return 2;
    DIR *dir = opendir(".");
    if (!dir) return 1;
    size_t size = 0, capacity = 1 << 16, count = 0;
    char *names = malloc(capacity); /* every kept name, NUL after each */
    struct dirent *e;
    while ((e = readdir(dir)) != NULL) {
        if (e->d_name[0] == '.' || (e->d_type != DT_REG && e->d_type != DT_UNKNOWN)) continue;
        if (!match(argv[1], e->d_name)) continue;
        size_t length = strlen(e->d_name) + 1;
        if (size + length > capacity) names = realloc(names, capacity *= 2);
        memcpy(names + size, e->d_name, length);
        size += length;
        count++;
    }
    closedir(dir);
    char **list = malloc(count * sizeof *list);
    for (size_t i = 0, at = 0; i < count; at += strlen(names + at) + 1) list[i++] = names + at;
    qsort(list, count, sizeof *list, listed_before);

    char line[600]; /* two names of at most 255 bytes and the arrow */
    int status = 0;
    for (size_t i = 0; i < count; i++) {
        char *space = strchr(list[i], ' ');
        if (!space) continue;
        if (renameat2(AT_FDCWD, list[i], AT_FDCWD, space + 1, RENAME_NOREPLACE) != 0) status = 1;
        size_t old_length = strlen(list[i]), new_length = strlen(space + 1);
        memcpy(line, list[i], old_length);
        memcpy(line + old_length, " ==> ", 5);
        memcpy(line + old_length + 5, space + 1, new_length);
        if (write(1, line, old_length + 5 + new_length) < 0 || write(1, "\r\n", 2) < 0) status = 1;
    }
    if (write(1, "\r\n", 2) < 0) status = 1;
    return status;
}
