#include "app/frmViewer.h"

namespace glimmerlog {

void frmViewer::mnuAbout1_Click() {}

}  // namespace glimmerlog
