// The rows and cells of a worksheet part through the bindings: 50,000 rows
// of 20 cells (even columns numbers, odd columns shared-string indexes) read
// from the part's bytes and written back, beside xmllint merely parsing the
// same bytes. Both are whole processes started here, in the same run, the
// best of three each. The process that reads and writes also tells how many
// bytes the rows and cells hold, per cell, and the same for a part whose
// cells are all numbers.
//
//     bench_sheet_cells            (prints the figures)
//     bench_sheet_cells --child <part>   (one read and write, for the timing)
#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "celvo/cellref.h"
#include "celvo/numtext.h"
#include "ooxml/sml-sheet2.h"
#include "ooxml/sml-sheet3.h"

namespace {

constexpr int kRows = 50000;
constexpr int kCols = 20;

// The rows of a part, as the document element "sheetData": numbers
// r*1.5+c in the even columns, indexes (r*31+c) % 20000 of type "s" in the
// odd ones (all numbers when `numbers_only`).
std::string make_part(bool numbers_only)
{
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                    "<sheetData xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    char ref[celvo::kCellRefA1Max];
    char num[celvo::kShortestMax];
    for (int r = 0; r < kRows; ++r) {
        x += "<row r=\"" + std::to_string(r + 1) + "\" spans=\"1:20\">";
        for (int c = 0; c < kCols; ++c) {
            std::size_t n = celvo::formatCellRefA1(ref, static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c));
            x += "<c r=\"";
            x.append(ref, n);
            if (c % 2 == 0 || numbers_only) {
                x += "\"><v>";
                x.append(num, celvo::formatShortest(num, r * 1.5 + c));
            } else {
                x += "\" t=\"s\"><v>";
                x += std::to_string((r * 31 + c) % 20000);
            }
            x += "</v></c>";
        }
        x += "</row>";
    }
    x += "</sheetData>";
    return x;
}

std::size_t heap_in_use()
{
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// Bytes held by the rows and cells read from a part, per cell.
double bytes_per_cell(const std::string& part)
{
    std::size_t before = heap_in_use();
    auto* data = new sheet::c_CT_SheetData();
    {
        nimb::c_xml_reader_memory reader(part.data(), part.size());
        if (nimb::unmarshal_document(reader, *data, sheet::sml_sheet3::ns_default, "sheetData")) {
            std::cerr << "the part was not read\n";
            std::exit(1);
        }
    }
    std::size_t after = heap_in_use();
    double per = static_cast<double>(after - before) / (kRows * kCols);
    delete data;
    return per;
}

// The child: maps the part's file, reads it into the bindings (the reader
// reads the bytes in place) and writes it back into a string.
int child(const char* path)
{
    int fd = open(path, O_RDONLY);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) return 2;
    std::size_t size = static_cast<std::size_t>(st.st_size);
    void* part = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (part == MAP_FAILED) return 2;
    sheet::c_CT_SheetData data;
    nimb::c_xml_reader_memory reader(part, size);
    if (nimb::unmarshal_document(reader, data, sheet::sml_sheet3::ns_default, "sheetData")) return 1;
    std::string out;
    if (nimb::marshal_document(data, "sheetData", out)) return 1;
    std::size_t cells = 0;
    for (const auto& row : data.rows) cells += row.cells.size();
    return cells == static_cast<std::size_t>(kRows) * kCols && out.size() > size / 2 ? 0 : 3;
}

double run_seconds(const std::vector<std::string>& args)
{
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) dup2(devnull, 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    auto t1 = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << args[0] << " failed (status " << status << ")\n";
        return -1;
    }
    return std::chrono::duration<double>(t1 - t0).count();
}

double best_of_three(const std::vector<std::string>& args)
{
    double best = -1;
    for (int i = 0; i < 3; ++i) {
        double s = run_seconds(args);
        if (s < 0) return s;
        if (best < 0 || s < best) best = s;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--child") return child(argv[2]);
    char dir[] = "/tmp/celvo_sheet_bench_XXXXXX";
    if (!mkdtemp(dir)) return 1;
    std::string path = std::string(dir) + "/sheet1.xml";
    {
        std::string part = make_part(false);
        std::ofstream(path, std::ios::binary) << part;
        std::printf("part: %d rows x %d columns, %zu bytes\n", kRows, kCols, part.size());
        std::printf("held by the rows and cells: %.1f bytes per cell (numbers and shared-string indexes)\n",
                    bytes_per_cell(part));
    }
    std::printf("held by the rows and cells: %.1f bytes per cell (all numbers; target at most 32)\n",
                bytes_per_cell(make_part(true)));
    std::string self = "/proc/self/exe";
    char exe[4096];
    ssize_t n = readlink(self.c_str(), exe, sizeof exe - 1);
    if (n <= 0) return 1;
    exe[n] = 0;
    double ours = best_of_three({exe, "--child", path});
    double peer = best_of_three({"xmllint", "--stream", "--noout", path});
    std::printf("read and write back through the bindings: %.3f s (whole process, best of 3)\n", ours);
    std::printf("xmllint --stream --noout, parse only:     %.3f s (whole process, best of 3)\n", peer);
    if (ours > 0 && peer > 0) std::printf("ratio: %.2f (target at most 1.5)\n", ours / peer);
    std::remove(path.c_str());
    rmdir(dir);
    return 0;
}
