#pragma once
// A regular expression compiled for searching instrument records: Latin-1
// text, one character per byte, with CR, LF and CRLF all counting as line
// ends (so "$" also matches before a final CRLF and "." stops at CR).
//
// A search is bounded by a match limit: a pathological expression fails that
// one search instead of freezing the acquisition.

#include <QString>
#include <QStringView>

#include <memory>
#include <optional>
#include <stdexcept>

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;
struct pcre2_real_match_context_8;

// The search gave up: the expression backtracks too much for this record.
class MatchLimitError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class RecordPattern {
  public:
    // Throws std::invalid_argument with the engine's message when the
    // expression does not compile.
    static RecordPattern compile(QStringView expression);

    RecordPattern(RecordPattern&&) noexcept;
    RecordPattern& operator=(RecordPattern&&) noexcept;
    ~RecordPattern();

    int captureCount() const;

    struct Match {
        std::optional<QString> group;  // none when the group took no part in the match
    };
    // The first match anywhere in the record, or none. Throws
    // std::out_of_range when it matches and lacks the group, and
    // MatchLimitError when the search exceeds the match limit. Not for use
    // by two threads at once (the match buffers are the object's own).
    std::optional<Match> search(QStringView record, int group) const;
    std::optional<Match> searchLatin1(const char* data, std::size_t size, int group) const;

    static constexpr unsigned kMatchLimit = 1'000'000;

  private:
    struct Resources;
    explicit RecordPattern(std::unique_ptr<Resources> resources);
    std::unique_ptr<Resources> r_;
};

// The value of a record: the text of `group` in the first match anywhere in
// it, or the empty text when nothing matches. The one extraction rule that
// every part of the program uses. Throws std::invalid_argument when the group
// took no part in the match, besides what search() throws.
QString extractValue(const RecordPattern& pattern, QStringView record, int group);
