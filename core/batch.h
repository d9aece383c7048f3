#pragma once

#include <cstdio>
#include <iosfwd>
#include <streambuf>
#include <string>
#include <string_view>

namespace calorvin {

// A stream buffer over a C stream, for standard input and output without
// <iostream>: its start-up work (the standard streams and their locale) would
// otherwise fall on every start of the window, which never uses them.
class CFileBuffer final : public std::streambuf {
public:
    explicit CFileBuffer(std::FILE* file) : m_file(file) {}

protected:
    int_type underflow() override;
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    std::FILE* m_file;
    char m_buffer[1 << 16];
};

// Evaluates one test per CSV line, without a window: eight entries per line in
// the window's order, read by the window's own conversion; writes each line
// back with the seven results (as the window shows them, empty where the gate
// fails) and its warnings joined by " | ". The separator, ';' or ',', and an
// optional header line are taken from the first line; quoting as RFC 4180.
// Messages for refused lines and for entries not read whole go to `err`.
// Reads in chunks and keeps one line at a time, whatever the input's size.
// Returns 0, or 1 when some line was refused, or 2 when the input could not be
// read to its end or the output not written.
int EvaluateBatch(std::istream& in, std::ostream& out, std::ostream& err,
                  std::string_view decimalSeparator);

// The same on a file, "-" for standard input; 2 with one line on `err` when
// the file cannot be read.
int EvaluateBatchFile(const std::string& path, std::ostream& out, std::ostream& err,
                      std::string_view decimalSeparator);

} // namespace calorvin
