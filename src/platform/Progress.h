#pragma once

#include <QString>

// Progress of a long operation. The window shows it as a modal progress
// dialog; the logic below the window only reports to it and asks for cancel.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Advances the bar; lets pending window events run so the window stays live.
    virtual void setValue(qint64 value) = 0;
    virtual void setLabel(const QString& text) = 0;
    virtual bool wasCanceled() const = 0;
};
