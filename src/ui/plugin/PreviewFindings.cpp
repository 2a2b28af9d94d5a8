#include "ui/plugin/PreviewFindings.h"

#include "core/text/Cp932.h"

#include <QByteArray>
#include <QStringView>

namespace norvelle {

namespace {

// Turns the rule set's places (line, column in characters) into positions of the text box's
// document. setPlainText makes one block break of CR LF, of a CR alone and of a LF alone (and
// of a few characters the rule set reads as text, such as U+2029); every other UTF-16 unit is
// one position. So a place's position is its index in the text less the CR LF pairs before
// it, whichever way the document splits its blocks. Places are asked for in the text's order,
// so the walk goes forward through the text once; a place before the last one goes back to
// its line's start at most.
class DocumentPlaces {
public:
    explicit DocumentPlaces(QStringView text) : m_text(text) {}

    // A column past its line's end is the line's end.
    int position(std::size_t line, std::size_t column) {
        if (line < m_line) *this = DocumentPlaces(m_text);
        if (line == m_line && column < m_column) {
            m_index = m_lineStart;
            m_pairs = m_lineStartPairs;
            m_column = 1;
        }
        while (m_line < line && m_index < m_text.size()) nextLine();
        while (m_column < column && !atLineEnd()) nextCharacter();
        return static_cast<int>(m_index - m_pairs);
    }

private:
    bool atLineEnd() const {
        return m_index >= m_text.size() || m_text[m_index] == u'\r' || m_text[m_index] == u'\n';
    }

    void nextCharacter() {
        const bool pair = m_text[m_index].isHighSurrogate() && m_index + 1 < m_text.size() &&
                          m_text[m_index + 1].isLowSurrogate();
        m_index += pair ? 2 : 1;
        ++m_column;
    }

    void nextLine() {
        while (!atLineEnd()) ++m_index;
        if (m_index >= m_text.size()) return;
        if (m_text[m_index] == u'\r' && m_index + 1 < m_text.size() &&
            m_text[m_index + 1] == u'\n') {
            ++m_index;
            ++m_pairs;
        }
        ++m_index;
        ++m_line;
        m_column = 1;
        m_lineStart = m_index;
        m_lineStartPairs = m_pairs;
    }

    QStringView m_text;
    qsizetype m_index = 0;  // in the text
    qsizetype m_pairs = 0;  // CR LF pairs before m_index
    std::size_t m_line = 1;
    std::size_t m_column = 1;
    qsizetype m_lineStart = 0;
    qsizetype m_lineStartPairs = 0;
};

QString character(char32_t codePoint) {
    return QString::fromUcs4(&codePoint, 1);
}

// What the list says of a finding, after its place.
QString describeFinding(const ReadmeFinding& finding, const ReadmeRules& rules) {
    switch (finding.kind) {
        case ReadmeFinding::Kind::PlatformDependent:
            return QStringLiteral(
                       "機種依存文字「%1」（ほかの環境では別の文字に見えることがあります）")
                .arg(character(finding.codePoint));
        case ReadmeFinding::Kind::HalfwidthKana:
            return QStringLiteral("半角カナ「%1」（メールや掲載先で文字化けすることがあります）")
                .arg(character(finding.codePoint));
        case ReadmeFinding::Kind::TooWide:
            return QStringLiteral("1 行の幅が %1 桁で、%2 桁を超えています")
                .arg(finding.width)
                .arg(rules.width);
        case ReadmeFinding::Kind::Marker:
            return QStringLiteral("置き換えられていないマーカー %1")
                .arg(QString::fromStdString(finding.text));
        case ReadmeFinding::Kind::Control:
            // Shown by its number alone: the character itself is invisible, or worse.
            return QStringLiteral("制御文字 %1")
                .arg(QString::fromStdString(codePointLabel(finding.codePoint)));
    }
    return {};
}

}  // namespace

PreviewFindings findPreviewFindings(const QString& text, const ReadmeRules& rules,
                                    std::size_t limit) {
    PreviewFindings out;
    const QByteArray utf8 = text.toUtf8();
    DocumentPlaces starts(text);
    findReadmeProblems(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                       rules, [&](const ReadmeFinding& finding) {
                           if (out.total++ >= limit) return;
                           PreviewFinding shown;
                           shown.position = starts.position(finding.line, finding.column);
                           // The end is walked to by a copy: the next finding may start inside this
                           // one.
                           DocumentPlaces ends = starts;
                           shown.length =
                               ends.position(finding.line, finding.column + finding.length) -
                               shown.position;
                           shown.text = QStringLiteral("%1 行 %2 列: %3")
                                            .arg(finding.line)
                                            .arg(finding.column)
                                            .arg(describeFinding(finding, rules));
                           out.shown.push_back(std::move(shown));
                       });
    return out;
}

}  // namespace norvelle
