#pragma once

// Builds the page of a card family. Families whose page is not built yet get a
// bare widget that carries the family's page name.

#include <QWidget>

#include "shell/pranix_view.h"

namespace tilvane {

class AppState;

QWidget *CreateCardPage(int family, int template_id, AppState &state, QWidget *parent);

// The view's page factory: CreateCardPage with the given state.
CPranixView::PageFactory CardPageFactory(AppState &state);

}  // namespace tilvane
