#pragma once

#include <QString>

// Where an export reports an entry that failed. The main window shows each text in a modal
// message box; a command-line front end prints it. Nothing else is reported.
class ExtractReporter
{
public:
    virtual ~ExtractReporter() = default;
    virtual void message(const QString &text) = 0;
};
