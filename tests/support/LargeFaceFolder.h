#pragma once

#include <QByteArray>
#include <QString>

// The face folder of a busy modder, for benchmarks: 20,000 lines in map.txt,
// every fourth player in one of 20 team folders, the last thousand lines
// without their files, and 2,000 models no line names (40,000 model files,
// empty). Its health check finds 1,000 problem lines and 2,000 unnamed files.
namespace LargeFaceFolder {

inline constexpr int kLines = 20000;
inline constexpr int kTeams = 20;
inline constexpr int kProblemLines = 1000;
inline constexpr int kOrphans = 2000;

// Builds it in `face` (made when missing) and returns map.txt's bytes, which
// are also written there; `files` receives the model files made.
QByteArray build(const QString& face, int* files);

}  // namespace LargeFaceFolder
