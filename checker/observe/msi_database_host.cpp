// The build machine: an MSI through libmsi (from msitools).
#include "msi_database.h"

#include <libmsi.h>

#include <cstdint>
#include <cstdio>

namespace {

class LibmsiRow : public MsiRow {
  public:
    explicit LibmsiRow(LibmsiRecord *record) : record_(record) {}
    std::string Text(unsigned field) const override {
        gchar *text = libmsi_record_get_string(record_, field);
        std::string value = text == nullptr ? "" : text;
        g_free(text);
        return value;
    }
    int Integer(unsigned field) const override {
        return libmsi_record_is_null(record_, field) ? 0 : libmsi_record_get_int(record_, field);
    }

  private:
    LibmsiRecord *record_;
};

class LibmsiReader : public MsiDatabase {
  public:
    explicit LibmsiReader(LibmsiDatabase *database) : database_(database) {}
    ~LibmsiReader() override {
        g_object_unref(database_);
    }
    LibmsiReader(const LibmsiReader &) = delete;
    LibmsiReader &operator=(const LibmsiReader &) = delete;

    std::string Template() const override {
        LibmsiSummaryInfo *summary = libmsi_summary_info_new(database_, 0, nullptr);
        if (summary == nullptr) {
            return "";
        }
        const gchar *text =
            libmsi_summary_info_get_string(summary, LIBMSI_PROPERTY_TEMPLATE, nullptr);
        std::string templateText = text == nullptr ? "" : text;
        g_object_unref(summary);
        return templateText;
    }

    int WordCount() const override {
        LibmsiSummaryInfo *summary = libmsi_summary_info_new(database_, 0, nullptr);
        if (summary == nullptr) {
            return 0;
        }
        const int count = libmsi_summary_info_get_int(summary, LIBMSI_PROPERTY_SOURCE, nullptr);
        g_object_unref(summary);
        return count < 0 ? 0 : count;
    }

    void EachRow(const char *query, const std::function<void(const MsiRow &)> &take) override {
        LibmsiQuery *rows = libmsi_query_new(database_, query, nullptr);
        if (rows == nullptr) {
            return;
        }
        if (libmsi_query_execute(rows, nullptr, nullptr)) {
            while (LibmsiRecord *record = libmsi_query_fetch(rows, nullptr)) {
                take(LibmsiRow(record));
                g_object_unref(record);
            }
        }
        libmsi_query_close(rows, nullptr);
        g_object_unref(rows);
    }

  private:
    LibmsiDatabase *database_;
};

void Discard(const gchar * /*domain*/, GLogLevelFlags /*level*/, const gchar * /*message*/,
             gpointer /*data*/) {}

} // namespace

std::unique_ptr<MsiDatabase> OpenMsi(const std::string &file) {
    // libmsi tells standard error of a file it cannot open; the report says so in its own words.
    g_log_set_default_handler(Discard, nullptr);
    LibmsiDatabase *database =
        libmsi_database_new(file.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, nullptr);
    if (database == nullptr) {
        return nullptr;
    }
    return std::make_unique<LibmsiReader>(database);
}
