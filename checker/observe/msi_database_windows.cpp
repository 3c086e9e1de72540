// Windows: an MSI through msi.dll, as Windows Installer reads it.
#include "msi_database.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <vector>

namespace {

const UINT kTemplate = 7;
const UINT kWordCount = 15;

class WindowsMsiRow : public MsiRow {
  public:
    explicit WindowsMsiRow(MSIHANDLE record) : record_(record) {}
    std::string Text(unsigned field) const override {
        DWORD size = 0;
        char empty[1] = {0};
        if (MsiRecordGetStringA(record_, field, empty, &size) != ERROR_MORE_DATA) {
            return "";
        }
        std::vector<char> text(size + 1, '\0');
        size += 1;
        MsiRecordGetStringA(record_, field, text.data(), &size);
        return text.data();
    }
    int Integer(unsigned field) const override {
        int value = MsiRecordGetInteger(record_, field);
        return value == static_cast<int>(MSI_NULL_INTEGER) ? 0 : value;
    }

  private:
    MSIHANDLE record_;
};

class WindowsMsiDatabase : public MsiDatabase {
  public:
    explicit WindowsMsiDatabase(MSIHANDLE database) : database_(database) {}
    ~WindowsMsiDatabase() override {
        MsiCloseHandle(database_);
    }
    WindowsMsiDatabase(const WindowsMsiDatabase &) = delete;
    WindowsMsiDatabase &operator=(const WindowsMsiDatabase &) = delete;

    std::string Template() const override {
        MSIHANDLE summary = 0;
        if (MsiGetSummaryInformationA(database_, NULL, 0, &summary) != ERROR_SUCCESS) {
            return "";
        }
        char text[256] = {0};
        DWORD size = sizeof(text);
        UINT type = 0;
        INT number = 0;
        FILETIME time;
        if (MsiSummaryInfoGetPropertyA(summary, kTemplate, &type, &number, &time, text, &size) !=
            ERROR_SUCCESS) {
            text[0] = '\0';
        }
        // A template longer than the buffer is cut; only its platform, before ';', is used.
        text[sizeof(text) - 1] = '\0';
        MsiCloseHandle(summary);
        return text;
    }

    int WordCount() const override {
        MSIHANDLE summary = 0;
        if (MsiGetSummaryInformationA(database_, NULL, 0, &summary) != ERROR_SUCCESS) {
            return 0;
        }
        UINT type = 0;
        INT number = 0;
        FILETIME time;
        char text[1] = {0};
        DWORD size = sizeof(text);
        if (MsiSummaryInfoGetPropertyA(summary, kWordCount, &type, &number, &time, text, &size) !=
                ERROR_SUCCESS ||
            type != VT_I4) {
            number = 0;
        }
        MsiCloseHandle(summary);
        return number;
    }

    void EachRow(const char *query, const std::function<void(const MsiRow &)> &take) override {
        MSIHANDLE view = 0;
        if (MsiDatabaseOpenViewA(database_, query, &view) != ERROR_SUCCESS) {
            return;
        }
        if (MsiViewExecute(view, 0) == ERROR_SUCCESS) {
            MSIHANDLE record = 0;
            while (MsiViewFetch(view, &record) == ERROR_SUCCESS) {
                take(WindowsMsiRow(record));
                MsiCloseHandle(record);
            }
        }
        MsiViewClose(view);
        MsiCloseHandle(view);
    }

  private:
    MSIHANDLE database_;
};

} // namespace

std::unique_ptr<MsiDatabase> OpenMsi(const std::string &file) {
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(file.c_str(), MSIDBOPEN_READONLY, &database) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<WindowsMsiDatabase>(database);
}
