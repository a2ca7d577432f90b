#pragma once

// For start-up measurements only: when the environment variable
// LUDEX_FIRST_PAINT_PROBE is set, the program writes the line
// "painted <CPU ms>" to standard output as soon as its first window has
// painted, then, once it has sat idle for half a second, "rss <kB>" with its
// resident memory, and quits.
// Without the variable nothing happens.
namespace FirstPaintProbe {

void watchIfAsked();

}  // namespace FirstPaintProbe
