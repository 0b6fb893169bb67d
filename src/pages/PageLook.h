#pragma once
// The look and keys every wizard page shares: a borderless 637 x 114 client in the page colour,
// the kit title bar across the top, the 67 x 51 kit buttons with the glyph above the text at the
// left, and the page keyboard convention (Alt+M; Alt+H where the page allows the notes).
#include <QString>

#include "kit/Cliunit.h"
#include "kit/GGlobals.h"

class TActiveEdit;
class TActiveLabel;
class TMButton;
class TNiceButton;
class TTitleBar;

constexpr TColor PageColor = 11642264;      // the page background
constexpr TColor PageTitleColor = 7891292;  // start and end colour of the title bar
constexpr int PageWidth = 637, PageHeight = 114;
constexpr int PageButtonWidth = 67, PageButtonHeight = 51;

// Gives a kit form the page look at the given size: no border, the page colour and font, and
// its title bar "TitleBar1" (returned) with the caption.
TTitleBar* ApplyPageLook(TTitleForm* form, const QString& caption, int width, int height);

class TWizardPage : public TTitleForm {
  Q_OBJECT
 public:
  // Records the position in CurrentPage, as every page does when it is created.
  TWizardPage(int position, const QString& caption, bool allowNotes, QWidget* parent = nullptr);

  TTitleBar* TitleBar1 = nullptr;

  void FormKeyDown(QKeyEvent* event) override;

 protected:
  // A kit button of the page look (glyph above the caption) at column `left`.
  TMButton* PageButton(const char* name, TMButtonKind kind, const QString& caption, int modalResult,
                       int left);
  // The page's "&Abandon": an owner-drawn cancel button in the page colour, result quit, ending
  // at column `right`. It is wider than the kit's default so that its caption fits in the grey
  // disabled look as well (that look is clipped to the face).
  TNiceButton* AbandonButton(int right, int top);

 private:
  bool allowNotes_;
};

// Where the page buttons sit: below the title bar, centred in what is left of the height.
constexpr int PageButtonTop = 25 + (PageHeight - 25 - PageButtonHeight) / 2;

// The folder rows of the folders and locate pages: a label, an edit of the page's width, and the
// "Cauta..." picker button after it (the folder glyph, its caption kept but not shown).
constexpr int FolderLabelLeft = 148, FolderEditLeft = 204, FolderRowHeight = 21;
TActiveLabel* FolderLabel(QWidget* parent, const char* name, const QString& caption, int top);
TActiveEdit* FolderEdit(QWidget* parent, const char* name, TActiveLabel* label, int top, int width);
TMButton* PickButton(QWidget* parent, const char* name, int top, int editWidth);
