#include "config/RecordPattern.h"

#include <pcre2.h>

#include <QByteArray>
#include <QString>
#include <QVarLengthArray>

#include <memory>
#include <new>
#include <stdexcept>

namespace {

QByteArray toLatin1Pattern(QStringView expression) {
    for (qsizetype i = 0; i < expression.size(); ++i) {
        if (expression[i].unicode() > 0xFF) {
            throw std::invalid_argument(
                QStringLiteral("Character outside Latin-1 at index %1 of the expression")
                    .arg(i)
                    .toStdString());
        }
    }
    return expression.toLatin1();
}

QString errorText(int errorCode) {
    PCRE2_UCHAR message[256];
    pcre2_get_error_message(errorCode, message, sizeof message);
    return QString::fromLatin1(reinterpret_cast<const char*>(message));
}

struct CompileContextDeleter {
    void operator()(pcre2_compile_context* c) const { pcre2_compile_context_free(c); }
};

}  // namespace

struct RecordPattern::Resources {
    pcre2_code* code = nullptr;
    pcre2_match_data* matchData = nullptr;
    pcre2_match_context* matchContext = nullptr;

    ~Resources() {
        pcre2_match_context_free(matchContext);
        pcre2_match_data_free(matchData);
        pcre2_code_free(code);
    }
};

RecordPattern::RecordPattern(std::unique_ptr<Resources> resources) : r_(std::move(resources)) {}
RecordPattern::RecordPattern(RecordPattern&&) noexcept = default;
RecordPattern& RecordPattern::operator=(RecordPattern&&) noexcept = default;
RecordPattern::~RecordPattern() = default;

RecordPattern RecordPattern::compile(QStringView expression) {
    const QByteArray pattern = toLatin1Pattern(expression);
    std::unique_ptr<pcre2_compile_context, CompileContextDeleter> context(
        pcre2_compile_context_create(nullptr));
    if (!context) throw std::bad_alloc();
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);

    auto r = std::make_unique<Resources>();
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    r->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.constData()),
                            static_cast<PCRE2_SIZE>(pattern.size()), 0, &errorCode, &errorOffset,
                            context.get());
    if (!r->code) {
        throw std::invalid_argument(QStringLiteral("%1 near index %2")
                                        .arg(errorText(errorCode))
                                        .arg(errorOffset)
                                        .toStdString());
    }
    // JIT makes the per-record search cheap; without it (an unsupported
    // platform) the interpreter gives the same results.
    pcre2_jit_compile(r->code, PCRE2_JIT_COMPLETE);
    r->matchData = pcre2_match_data_create_from_pattern(r->code, nullptr);
    r->matchContext = pcre2_match_context_create(nullptr);
    if (!r->matchData || !r->matchContext) throw std::bad_alloc();
    pcre2_set_match_limit(r->matchContext, kMatchLimit);
    return RecordPattern(std::move(r));
}

int RecordPattern::captureCount() const {
    uint32_t count = 0;
    pcre2_pattern_info(r_->code, PCRE2_INFO_CAPTURECOUNT, &count);
    return static_cast<int>(count);
}

std::optional<RecordPattern::Match> RecordPattern::search(QStringView record, int group) const {
    // Records hold one character per byte, so Latin-1 is lossless here; most
    // records are short enough to stay on the stack.
    QVarLengthArray<char, 256> bytes(record.size());
    for (qsizetype i = 0; i < record.size(); ++i) {
        bytes[i] = static_cast<char>(record[i].unicode());
    }
    return searchLatin1(bytes.constData(), static_cast<std::size_t>(bytes.size()), group);
}

std::optional<RecordPattern::Match> RecordPattern::searchLatin1(const char* data, std::size_t size,
                                                                int group) const {
    const int rc = pcre2_match(r_->code, reinterpret_cast<PCRE2_SPTR>(data ? data : ""), size, 0, 0,
                               r_->matchData, r_->matchContext);
    if (rc == PCRE2_ERROR_MATCHLIMIT) {
        throw MatchLimitError("match limit exceeded: the expression backtracks too much");
    }
    if (rc < 0 && rc != PCRE2_ERROR_NOMATCH) throw std::runtime_error(errorText(rc).toStdString());
    // Only a match has a group to take: a record that does not match is no
    // error, whatever group the expression lacks.
    if (rc == PCRE2_ERROR_NOMATCH) return std::nullopt;
    if (group < 0 || group > captureCount()) {
        throw std::out_of_range(QStringLiteral("No group %1").arg(group).toStdString());
    }

    const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(r_->matchData);
    const PCRE2_SIZE start = offsets[2 * group];
    const PCRE2_SIZE end = offsets[2 * group + 1];
    if (group >= rc || start == PCRE2_UNSET) return Match{std::nullopt};
    return Match{QString::fromLatin1(data + start, static_cast<qsizetype>(end - start))};
}

QString extractValue(const RecordPattern& pattern, QStringView record, int group) {
    const auto match = pattern.search(record, group);
    if (!match) return {};
    if (!match->group) {
        throw std::invalid_argument(
            QStringLiteral("Group %1 took no part in the match").arg(group).toStdString());
    }
    return *match->group;
}
