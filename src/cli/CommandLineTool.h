#pragma once

#include <QStringList>

#include <cstdio>

// The companion command `quillon`: lists and extracts archives from a shell with the same
// reader and writers as the window.
//
//   quillon list FILE               the count field, then one name per line (UTF-8)
//   quillon extract [-C DIR] FILE…  every entry of each archive into DIR (default: .)
//
// Exit status: 0 when every entry of every archive was written, 1 when an entry failed, 2 for
// a usage error or an archive that cannot be read. Messages go to standard error.
class CommandLineTool
{
public:
    CommandLineTool(std::FILE *out, std::FILE *err);

    enum Status { Success = 0, EntryFailed = 1, UsageOrArchiveError = 2 };

    // arguments includes the program name, as QCoreApplication::arguments() gives it.
    int run(const QStringList &arguments);

private:
    int list(const QString &archive);
    int extract(const QString &archive, const QString &directory);
    void error(const QString &text);
    void print(std::FILE *stream, const QString &line);

    std::FILE *m_out;
    std::FILE *m_err;
};
