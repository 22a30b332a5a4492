// The six constituent widgets, created with the control in their design layout (in twips, the
// scale of a new surface and track): the two end buttons stacked above and below the track, the
// track holding the background picture and the thumb (in front), and the shared timer.
#include "control/UsrKeloScroll.h"
#include "control/pictures.h"

namespace keloscroll {

namespace {
// The parts' names are literals, which the widgets point at rather than copy.
consteval host::WidgetName literal(const char* name) {
  return host::WidgetName::literal(name);
}

// Adds a part, made in its place, to its container, which owns the parts' allocation through it
// when `owner` is given and only refers to it otherwise.
void place(host::ContainerWidget& container, host::Widget& part,
           const std::shared_ptr<void>& owner) {
  container.attach(std::shared_ptr<host::Widget>(owner, &part));
}
}  // namespace

UsrKeloScroll::Parts::Parts()
    : cmdSxUp(literal("cmdSxUp"), {0, 165, 240, 240}),
      cmdDXDN(literal("cmdDXDN"), {0, 3240, 240, 240}),
      tmr_Server(literal("tmr_Server")),
      imgSfondoPic(literal("imgSfondoPic"), {0, 1080, 255, 255}),
      imgCursor(literal("imgCursor"), {0, 1200, 240, 225}),
      picBarra(literal("picBarra"), {0, 405, 240, 2835}) {}

UsrKeloScroll::Parts& UsrKeloScroll::createParts() {
  auto parts = std::make_shared<Parts>();
  // The surface as designed; the host's first resize gives the instance its own size.
  surface_->setRectTwips({surface_->rectTwips().left, surface_->rectTwips().top, 720, 3645});
  surface_->reserveChildren(4);

  host::CommandButton& cmdSxUp = parts->cmdSxUp;
  place(*surface_, cmdSxUp, parts);
  cmdSxUp.setStyle(1);  // graphical: the face shows the picture, no caption
  cmdSxUp.setTabIndex(2);
  cmdSxUp.setPicture(pictures::arrowButton(pictures::Arrow::Up));

  host::CommandButton& cmdDXDN = parts->cmdDXDN;
  place(*surface_, cmdDXDN, parts);
  cmdDXDN.setStyle(1);
  cmdDXDN.setTabIndex(1);
  cmdDXDN.setPicture(pictures::arrowButton(pictures::Arrow::Down));

  // Set up stopped before it joins: the engine then looks at it once.
  host::Timer& tmr_Server = parts->tmr_Server;
  tmr_Server.setEnabled(false);
  tmr_Server.setInterval(500);
  place(*surface_, tmr_Server, parts);

  // The track gets its images before it joins the surface, so that the engine takes the three
  // in one walk. Both images are disabled so that presses on them reach the track. The background
  // is added first, so the thumb stands in front of it.
  host::PictureBox& picBarra = parts->picBarra;
  host::Image& imgSfondoPic = parts->imgSfondoPic;
  place(picBarra, imgSfondoPic, nullptr);
  imgSfondoPic.setEnabled(false);
  imgSfondoPic.setStretch(true);
  imgSfondoPic.setPicture(pictures::track());

  host::Image& imgCursor = parts->imgCursor;
  place(picBarra, imgCursor, nullptr);
  imgCursor.setEnabled(false);
  imgCursor.setStretch(true);
  imgCursor.setPicture(pictures::thumb());

  place(*surface_, picBarra, parts);
  picBarra.setBorderStyle(0);
  picBarra.setBackColor(host::syscolor::Window);
  picBarra.setPicture(pictures::track());
  picBarra.setTabIndex(0);
  return *parts;
}

}  // namespace keloscroll
