#pragma once

#include <QString>

// An error as it travels between subsystems: a domain, the domain's own code and
// a readable text that is shown to the user as it stands.
struct Error {
    QString domain;
    int code = 0;
    QString description;
};
