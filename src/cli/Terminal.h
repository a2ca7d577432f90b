#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <memory>
#include <vector>

#include "platform/Progress.h"

class QJsonObject;

namespace Cli {

// Standard output for results, standard error for messages and progress.
// Nothing is ever asked: a command runs to its end on what it was given.
class Terminal {
public:
    Terminal();
    ~Terminal();

    QTextStream& out() { return out_; }
    QTextStream& err() { return err_; }
    void line(const QString& text) { out_ << text << '\n'; }
    void error(const QString& text);

    // Rows printed with their columns aligned (the last column is not padded).
    static QString aligned(const std::vector<QStringList>& rows, int gap = 2);
    void table(const std::vector<QStringList>& rows) { out_ << aligned(rows); }

    void json(const QJsonObject& object);
    // Bytes as they are on standard output (a document made by JsonWriter).
    void raw(const QByteArray& bytes);

    // A bar on standard error while work goes on, when standard error is a
    // terminal; nothing otherwise. `total` in the unit setValue counts.
    std::unique_ptr<ProgressSink> progress(const QString& label, qint64 total);

    bool errorIsTerminal() const { return errIsTty_; }

private:
    QTextStream out_;
    QTextStream err_;
    bool errIsTty_ = false;
};

}  // namespace Cli
