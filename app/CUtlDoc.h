#pragma once
// CUtlDoc: the program's single document. It holds no data and does nothing: the
// settings live in the plug-in data manager and the printer. It exists because start-up
// opens the main window the way every document window is opened.
//
// Threads: UI thread only.
class CUtlDoc {
 public:
  CUtlDoc() = default;
  CUtlDoc(const CUtlDoc&) = delete;
  CUtlDoc& operator=(const CUtlDoc&) = delete;
};
