// The six constituent widgets, created with the control in their design layout (in twips, the
// scale of a new surface and track): the two end buttons stacked above and below the track, the
// track holding the background picture and the thumb (in front), and the shared timer. They are
// made in the control's own block.
#include "control/UsrKeloScroll.h"
#include "control/pictures.h"

namespace keloscroll {

namespace {
// The parts' names are literals, which the widgets point at rather than copy.
consteval host::WidgetName literal(const char* name) {
  return host::WidgetName::literal(name);
}
}  // namespace

void UsrKeloScroll::createParts(host::SharedBlock& block) {
  // The surface as designed; the host's first resize gives the instance its own size.
  surface_.setRectTwips({surface_.rectTwips().left, surface_.rectTwips().top, 720, 3645});

  cmdSxUp = surface_.add<host::CommandButton>(block, literal("cmdSxUp"), {0, 165, 240, 240}).get();
  cmdSxUp->setStyle(1);  // graphical: the face shows the picture, no caption
  cmdSxUp->setTabIndex(2);
  cmdSxUp->setPicture(pictures::arrowButton(pictures::Arrow::Up));

  cmdDXDN = surface_.add<host::CommandButton>(block, literal("cmdDXDN"), {0, 3240, 240, 240}).get();
  cmdDXDN->setStyle(1);
  cmdDXDN->setTabIndex(1);
  cmdDXDN->setPicture(pictures::arrowButton(pictures::Arrow::Down));

  tmr_Server = surface_.add<host::Timer>(block, literal("tmr_Server"), {}).get();
  tmr_Server->setEnabled(false);
  tmr_Server->setInterval(500);

  picBarra = surface_.add<host::PictureBox>(block, literal("picBarra"), {0, 405, 240, 2835}).get();
  picBarra->setBorderStyle(0);
  picBarra->setBackColor(host::syscolor::Window);
  picBarra->setPicture(pictures::track());
  picBarra->setTabIndex(0);

  // Both images are disabled so that presses on them reach the track. The background is added
  // first, so the thumb stands in front of it.
  imgSfondoPic =
      picBarra->add<host::Image>(block, literal("imgSfondoPic"), {0, 1080, 255, 255}).get();
  imgSfondoPic->setEnabled(false);
  imgSfondoPic->setStretch(true);
  imgSfondoPic->setPicture(pictures::track());

  imgCursor = picBarra->add<host::Image>(block, literal("imgCursor"), {0, 1200, 240, 225}).get();
  imgCursor->setEnabled(false);
  imgCursor->setStretch(true);
  imgCursor->setPicture(pictures::thumb());
  thumbLengthTwips_ = 225;  // a horizontal thumb keeps this length along the bar
}

}  // namespace keloscroll
