#include "cli/Terminal.h"

#include <unistd.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>

namespace Cli {

namespace {

// A bar redrawn in place, at most a few times a second.
class TerminalBar : public ProgressSink {
public:
    TerminalBar(QTextStream& err, const QString& label, qint64 total) : err_(err), label_(label), total_(total)
    {
        timer_.start();
        draw();
    }
    ~TerminalBar() override
    {
        if (!drawn_) return;
        value_ = total_;
        draw();
        err_ << '\n';
        err_.flush();
    }

    void setValue(qint64 value) override
    {
        value_ = value;
        if (timer_.elapsed() >= 100) {
            timer_.restart();
            draw();
        }
    }
    void setLabel(const QString& text) override
    {
        label_ = text;
        draw();
    }
    bool wasCanceled() const override { return false; }

private:
    void draw()
    {
        constexpr int kWidth = 30;
        const double part = total_ > 0 ? std::clamp(double(value_) / double(total_), 0.0, 1.0) : 0.0;
        const int filled = int(part * kWidth);
        err_ << '\r' << '[' << QString(filled, QLatin1Char('#')) << QString(kWidth - filled, QLatin1Char(' ')) << "] "
             << QString::number(int(part * 100)).rightJustified(3) << "% " << label_.left(40) << "\x1b[K";
        err_.flush();
        drawn_ = true;
    }

    QTextStream& err_;
    QString label_;
    qint64 total_;
    qint64 value_ = 0;
    bool drawn_ = false;
    QElapsedTimer timer_;
};

// For a standard error that is not a terminal: nothing is shown.
class Silent : public ProgressSink {
public:
    void setValue(qint64) override {}
    void setLabel(const QString&) override {}
    bool wasCanceled() const override { return false; }
};

}  // namespace

Terminal::Terminal() : out_(stdout), err_(stderr), errIsTty_(isatty(STDERR_FILENO) == 1) {}

Terminal::~Terminal()
{
    out_.flush();
    err_.flush();
}

void Terminal::error(const QString& text)
{
    out_.flush();
    err_ << text << '\n';
    err_.flush();
}

QString Terminal::aligned(const std::vector<QStringList>& rows, int gap)
{
    std::vector<qsizetype> widths;
    for (const QStringList& row : rows)
        for (qsizetype c = 0; c + 1 < row.size(); ++c) {
            if (size_t(c) >= widths.size()) widths.resize(size_t(c) + 1, 0);
            widths[size_t(c)] = std::max(widths[size_t(c)], row[c].size());
        }
    QString text;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (c + 1 < row.size())
                line += row[c].leftJustified(widths[size_t(c)] + gap);
            else
                line += row[c];
        }
        while (line.endsWith(QLatin1Char(' '))) line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text;
}

void Terminal::json(const QJsonObject& object)
{
    // Written as the bytes it is: a large document is not decoded and encoded again.
    out_.flush();
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void Terminal::raw(const QByteArray& bytes)
{
    out_.flush();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

std::unique_ptr<ProgressSink> Terminal::progress(const QString& label, qint64 total)
{
    if (!errIsTty_) return std::make_unique<Silent>();
    return std::make_unique<TerminalBar>(err_, label, total);
}

}  // namespace Cli
