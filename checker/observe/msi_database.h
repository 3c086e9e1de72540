// An MSI database, read through each build's own reader: on the build machine libmsi (from
// msitools), on Windows msi.dll, as Windows Installer reads it.
#pragma once

#include <functional>
#include <memory>
#include <string>

// One row of a query: a field as text, or as a number (0 for a null field).
class MsiRow {
  public:
    virtual ~MsiRow() = default;
    virtual std::string Text(unsigned field) const = 0;
    virtual int Integer(unsigned field) const = 0;
};

// An MSI database opened read-only.
class MsiDatabase {
  public:
    virtual ~MsiDatabase() = default;
    // The summary information's Template ("Intel;1033"); empty when it has none.
    virtual std::string Template() const = 0;
    // The summary information's Word Count, a set of bits (compressed source, no elevation
    // needed); 0 when it has none, as Windows Installer takes it.
    virtual int WordCount() const = 0;
    // Each row of a query, in order; a table the package lacks gives none.
    virtual void EachRow(const char *query, const std::function<void(const MsiRow &)> &take) = 0;
};

// Nothing when the file is not an MSI database.
std::unique_ptr<MsiDatabase> OpenMsi(const std::string &file);
