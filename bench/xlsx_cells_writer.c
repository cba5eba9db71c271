/* The writing peer of xlsx_cells.lua: libxlsxwriter in its default mode
 * writes the same cells (even columns the numbers r*1.5+c, odd columns the
 * texts "text N", N = (r*31+c) % 20000, made in the loop) and prints the
 * figures of the driver: "write <wall s> <cpu s> <peak kB>". */
#include <stdio.h>
#include <sys/resource.h>
#include <time.h>
#include <xlsxwriter.h>

static double seconds(clockid_t clock)
{
    struct timespec ts;
    clock_gettime(clock, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: xlsx_cells_writer <file>\n");
        return 2;
    }
    const double t0 = seconds(CLOCK_MONOTONIC), c0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
    lxw_workbook* book = workbook_new(argv[1]);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Data");
    char text[32];
    for (int r = 0; r < 50000; ++r)
        for (int c = 0; c < 20; ++c) {
            if (c % 2 == 0) {
                worksheet_write_number(sheet, (lxw_row_t)r, (lxw_col_t)c, r * 1.5 + c, NULL);
            } else {
                snprintf(text, sizeof text, "text %d", (r * 31 + c) % 20000);
                worksheet_write_string(sheet, (lxw_row_t)r, (lxw_col_t)c, text, NULL);
            }
        }
    if (workbook_close(book) != LXW_NO_ERROR) {
        fprintf(stderr, "libxlsxwriter could not save\n");
        return 1;
    }
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("write %.3f %.3f %ld\n", seconds(CLOCK_MONOTONIC) - t0, seconds(CLOCK_PROCESS_CPUTIME_ID) - c0,
           usage.ru_maxrss);
    return 0;
}
