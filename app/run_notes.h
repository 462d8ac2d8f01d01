#pragma once
// What a finished run has to tell its user besides its status texts: the
// entities left out because their geometry cannot be drawn (one warning line
// each), and whether anything was drawn at all. The window shows the notes
// in the status label after the completion text; the command line prints
// the warning lines and the count.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ovix {

class RvDocument;

struct RunNotes {
  // One line per skipped entity: kind, handle, the file line it starts on,
  // and why.
  std::vector<std::string> Warnings;
  // The drawing drew nothing: every entity is on a layer that is off or
  // frozen, was skipped, or there is none.
  bool NothingToShow = false;

  bool Empty() const { return Warnings.empty() && !NothingToShow; }
};

// The notes of the run whose reader and exporter are the document's (read
// before the document is cleared). `drawn_entities`: the model's entities on
// drawn layers (RvSystem::DrawnEntityCount), taken before the drawing began,
// since the run releases each kind's store once it is drawn.
RunNotes CollectRunNotes(RvDocument& document, int64_t drawn_entities);

// The completion text followed, on lines of their own, by the count of
// skipped entities and the note that nothing shows; `done` alone without
// notes.
std::string CompletionWithNotes(const std::string& done, const RunNotes& notes);

}  // namespace ovix
