// How one print of the office ended, as it tells the document's print-job listeners.
#pragma once

namespace writer {

enum class PrintEnd { Running, Spooled, Aborted, Failed };

// The end a print-job state (css::view::PrintableState, as its number) stands for: Running for the
// states on the way. A job handed to the spooler counts as printed; CUPS is asked about it after.
PrintEnd printEndOf(int printableState);

}  // namespace writer
