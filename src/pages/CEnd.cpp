#include "pages/CEnd.h"

#include <QLabel>
#include <QPixmap>

#include "core/Iglobals.h"
#include "kit/Actives.h"
#include "kit/Mbuttons.h"

// The pictures live in a static library: they must be registered by hand, outside any namespace.
static void InitFinishResources() {
  static bool done = false;
  if (!done) {
    Q_INIT_RESOURCE(resources);
    done = true;
  }
}

TEndScreen::TEndScreen(QWidget* parent) : TWizardPage(pgFinish, "Finalizare", true, parent) {
  InitFinishResources();
  BBack = PageButton("BBack", mknPrev, "&Inapoi", prBack, 6);
  // "I&esire" ends the wizard: the page result next leads to the exit marker.
  BCancel = PageButton("BCancel", mkClose, "I&esire", prNext, 6 + PageButtonWidth + 2);

  Memo1 = new TActiveMemo(this);
  Memo1->setObjectName("Memo1");
  Memo1->SetReadOnly(true);
  Memo1->SetColor(PageColor);
  Memo1->SetAlignment(taCenter);
  Memo1->SetLines({"", "Instalarea s-a terminat cu succes!", "",
                   "Utilizator implicit:  \"Master\", ",
                   QString("cu parola de acces ") + QChar(DefaultUserPassword)});
  Memo1->setFocusPolicy(Qt::NoFocus);
  Memo1->setGeometry(152, 27, 340, 85);

  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setPixmap(QPixmap(":/finish.png"));
  Image1->setAttribute(Qt::WA_TranslucentBackground);
  Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
  Image1->setGeometry(PageWidth - 128 - 8, 29, 128, 80);

  // The way out first: it is what the user comes here for.
  setTabOrder(BCancel, BBack);
  BCancel->setFocus();
}
