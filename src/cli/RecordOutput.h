#pragma once
// How console commands show records: one line per record, as text or JSON.

#include <QString>

#include <optional>

class DataLine;

class RecordPrinter {
  public:
    explicit RecordPrinter(bool json) : json_(json) {}

    // The record number, its display form and its output, or the error; in
    // JSON also the reading's status.
    void print(const DataLine& record, const std::optional<QString>& error = std::nullopt) const;

  private:
    bool json_;
};

// The bundle's unsent-data text followed by the bytes in display form.
QString unsentDataText(const QString& buffered);
