// Card receipts left out of a report because their own record cannot be read. They are
// counted during the scan, and after the export one box tells the user how many there were
// and names the first few, so that no card sale is dropped unseen.
#pragma once

inline constexpr int kLeftOutNamed = 5;          // document numbers the box names
inline constexpr int kLeftOutNumberRoom = 40;    // each cut to this many characters
inline constexpr int kLeftOutListSize = kLeftOutNamed * (kLeftOutNumberRoom + 2) + 1;

struct LeftOutReceipts {
  int count;
  char numbers[kLeftOutListSize];  // the first kLeftOutNamed document numbers, ", " between
};

void NoteLeftOutReceipt(LeftOutReceipts* list, const char* documentNumber);

// The box's text: how many were left out, the numbers of the first kLeftOutNamed, and how
// many more in good Polish ("i 2 inne", "i 5 innych"), into text (kLeftOutTextSize bytes).
inline constexpr int kLeftOutTextSize = 640;
void LeftOutReceiptsText(const LeftOutReceipts& list, char* text);

// The box (title "Uwaga", style 1) when the list holds any receipt; nothing otherwise.
void ShowLeftOutReceipts(const LeftOutReceipts& list);
