#pragma once

#include <QString>

// Full path of a file in the program folder. The folder is always given by
// the caller (the executable's folder at start-up, a temporary folder in
// tests), never taken from the working directory.
inline QString programFile(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}
