#pragma once
// Finds out what an unknown instrument is from what it sends: the line
// settings under which its bytes read cleanly, the byte that ends its
// records, the command it answers (when it waits to be asked), and the
// catalogue instruments that read its records, best first.
//
// Everything it does to the port is undone on every way out: the port is
// closed with DTR and RTS dropped after each line setting, a stop included.

#include "config/Instrument.h"
#include "worker/BackgroundWorker.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

class Config;

// Line settings as positions in their option tables (the serial library's codes).
struct LineSetting {
    int bitRate = 7;   // 9600
    int dataBits = 3;  // 8
    int parity = 0;    // none
    int stopBits = 0;  // 1
    bool operator==(const LineSetting&) const = default;

    static LineSetting of(const Config& config);
    void applyTo(Config& config) const;
    // "9600 8N1", "2400 7E1", "1200 7O1".
    QString toString() const;
};

// The settings tried, in order: 9600, 4800, 2400, 1200, 19200 and 38400 with
// 8N1 and 7E1, then any other factory setting of the catalogue.
std::vector<LineSetting> commonLineSettings();

// Requests that only ask for a reading, never change the instrument: the
// catalogue's data commands, then "SI\r\n", "P\r\n", "1\r" and ESC "P".
std::vector<std::string> requestCommands();

// Bytes heard under one line setting, one character per byte, with how many
// of them came with a line error or are neither printable nor a usual control
// character (tab, CR, LF, STX, ETX).
struct Capture {
    QString bytes;
    int bad = 0;
    // 0 when nothing came; else the share of good bytes, 0..1.
    double readability() const;
    static bool isUsual(char16_t byte);
};

// The byte that ends records: LF when lines end with CR LF, else whichever of
// CR, LF, ETX and EOT closes the most records of a steady shape; none when
// nothing recurs.
std::optional<int> findTerminator(QStringView bytes);

// The complete records, terminator included; records of blanks and line ends
// only are left out, and so is an unfinished tail.
QStringList splitRecords(QStringView bytes, int terminator);

struct RankedInstrument {
    ConfigHelper::Instrument instrument{};
    QString name;       // the catalogue constant
    QString value;      // what it types for the last record
    QStringList typed;  // what it types for each record, "" for none
    int values = 0;     // records that give a value
    double score = 0;
};

// Every catalogue instrument's expression and reading status over the
// records, ranked by how many records give a value and how plausible the
// values are (numbers rather than stray digits, no wild outliers), with a
// bonus for records laid out like the instrument's sample records; ties go to
// the instrument whose terminator and line settings were found, then to a
// more particular expression, then to catalogue order.
std::vector<RankedInstrument> rankInstruments(const QStringList& records,
                                              std::optional<int> terminator,
                                              std::optional<LineSetting> lines);

struct Identification {
    std::optional<LineSetting> lines;  // none: nothing came at any setting
    double readability = 0;
    std::optional<int> terminator;
    QString request;  // the command that was answered; empty when it spoke unasked
    QString bytes;    // everything heard under the chosen setting
    QStringList records;
    std::vector<RankedInstrument> instruments;
};

// Progress, for a live view.
struct IdentifyEvent {
    enum class Kind { Trying, Bytes, Request };
    Kind kind = Kind::Bytes;
    QString text;  // the setting's text, the bytes as received, or the command sent
};

class InstrumentIdentifier {
  public:
    struct Timings {
        std::chrono::milliseconds listen{1500};   // per line setting
        std::chrono::milliseconds quiet{3000};    // silence before asking
        std::chrono::milliseconds answer{800};    // wait for the answer to one request
        std::chrono::milliseconds budget{60000};  // no new setting is tried after it
    };
    static constexpr int kRequestsPerSetting = 6;

    using Progress = std::function<void(IdentifyEvent)>;

    // `first` is tried before the common settings (the configured ones).
    InstrumentIdentifier(QString port, Timings timings, std::optional<LineSetting> first = {});

    // Blocking; throws Interrupted when stopped and Serialio::IOException when
    // the port cannot be opened at all.
    Identification run(std::stop_token stop, const Progress& progress) const;

  private:
    QString port_;
    Timings timings_;
    std::vector<LineSetting> settings_;
};

// The identification on a background thread, for the window.
class IdentifyWorker {
  public:
    struct Callbacks {
        std::function<void(const IdentifyEvent&)> progress;
        // The result, or none with the error's text (empty when cancelled).
        std::function<void(const std::optional<Identification>&, const QString& error)> done;
    };
    IdentifyWorker(InstrumentIdentifier identifier, Callbacks callbacks);
    void execute() { task_.execute(); }
    void cancel() { task_.cancel(); }
    bool isDone() const { return task_.isDone(); }

  private:
    using Task = BackgroundWorker<Identification, IdentifyEvent>;
    InstrumentIdentifier identifier_;
    Callbacks callbacks_;
    Task task_;  // last: its thread uses everything above
};
