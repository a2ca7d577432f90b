#include "platform/WebPane.h"

WebPane* WebPane::createEngine(QWidget*) { return nullptr; }
WebPane* WebPane::createLight(QWidget*) { return nullptr; }
