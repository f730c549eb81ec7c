/* The floor of the benchmark: the system calls of headtrim's job and nothing
 * else. It reads the current directory, keeps the regular, non-hidden names
 * that match the pattern (case-insensitive "*" and "?"), then renames each
 * name that holds a space to what follows its first space, never replacing a
 * name, and writes "old ==> new" and CR LF as two writes. A blank line ends
 * the report. Usage: floor PATTERN */
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
        } else if (*p && (*p == '?' || tolower((unsigned char)*p) == tolower((unsigned char)*n))) {
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

int main(int argc, char **argv) {
    if (argc != 2) return 2;
    DIR *dir = opendir(".");
    if (!dir) return 1;
    size_t size = 0, capacity = 1 << 16;
    char *names = malloc(capacity);  /* every kept name, NUL after each */
    struct dirent *e;
    while ((e = readdir(dir)) != NULL) {
        if (e->d_name[0] == '.' || (e->d_type != DT_REG && e->d_type != DT_UNKNOWN)) continue;
        if (!match(argv[1], e->d_name)) continue;
        size_t length = strlen(e->d_name) + 1;
        if (size + length > capacity) names = realloc(names, capacity *= 2);
        memcpy(names + size, e->d_name, length);
        size += length;
    }
    closedir(dir);

    char line[1024];
    int status = 0;
    for (char *name = names; name < names + size; name += strlen(name) + 1) {
        char *space = strchr(name, ' ');
        if (!space) continue;
        if (renameat2(AT_FDCWD, name, AT_FDCWD, space + 1, RENAME_NOREPLACE) != 0) status = 1;
        int n = snprintf(line, sizeof line, "%s ==> %s", name, space + 1);
        if (write(1, line, (size_t)n) < 0 || write(1, "\r\n", 2) < 0) status = 1;
    }
    if (write(1, "\r\n", 2) < 0) status = 1;
    return status;
}
