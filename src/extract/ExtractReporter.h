#pragma once

#include "archive/EntryFailure.h"

#include <QString>

// Where an export reports an entry that failed. The main window shows each fixed text in a
// modal message box; a command-line front end prints the entry and the cause instead. Nothing
// else is reported.
class ExtractReporter
{
public:
    virtual ~ExtractReporter() = default;
    virtual void message(const QString &text) = 0;
    // Every report comes here first: the writer's fixed text, the entry's name as the archive
    // gives it and what went wrong.
    virtual void failed(const QString &text, const QString &name, const EntryFailure &why)
    {
        Q_UNUSED(name);
        Q_UNUSED(why);
        message(text);
    }
};
