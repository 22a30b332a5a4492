// The six constituent widgets, created with the control in their design layout: the two end
// buttons stacked above and below the track, the track holding the background picture and the
// thumb (in front), and the shared timer.
#include "control/UsrKeloScroll.h"
#include "control/pictures.h"

namespace keloscroll {

void UsrKeloScroll::createParts() {
  // The surface as designed; the host's first resize gives the instance its own size.
  surface_.setRectTwips({surface_.rectTwips().left, surface_.rectTwips().top, 720, 3645});

  cmdSxUp = surface_.add<host::CommandButton>("cmdSxUp");
  cmdSxUp->Move(0, 165, 240, 240);
  cmdSxUp->setStyle(1);  // graphical: the face shows the picture, no caption
  cmdSxUp->setTabIndex(2);
  cmdSxUp->setPicture(pictures::arrowButton(pictures::Arrow::Up));

  cmdDXDN = surface_.add<host::CommandButton>("cmdDXDN");
  cmdDXDN->Move(0, 3240, 240, 240);
  cmdDXDN->setStyle(1);
  cmdDXDN->setTabIndex(1);
  cmdDXDN->setPicture(pictures::arrowButton(pictures::Arrow::Down));

  tmr_Server = surface_.add<host::Timer>("tmr_Server");
  tmr_Server->setEnabled(false);
  tmr_Server->setInterval(500);

  picBarra = surface_.add<host::PictureBox>("picBarra");
  picBarra->Move(0, 405, 240, 2835);
  picBarra->setBorderStyle(0);
  picBarra->setBackColor(host::syscolor::Window);
  picBarra->setPicture(pictures::track());
  picBarra->setTabIndex(0);

  // Both images are disabled so that presses on them reach the track. The background is added
  // first, so the thumb stands in front of it.
  imgSfondoPic = picBarra->add<host::Image>("imgSfondoPic");
  imgSfondoPic->Move(0, 1080, 255, 255);
  imgSfondoPic->setEnabled(false);
  imgSfondoPic->setStretch(true);
  imgSfondoPic->setPicture(pictures::track());

  imgCursor = picBarra->add<host::Image>("imgCursor");
  imgCursor->Move(0, 1200, 240, 225);
  imgCursor->setEnabled(false);
  imgCursor->setStretch(true);
  imgCursor->setPicture(pictures::thumb());
  thumbLengthTwips_ = 225;  // a horizontal thumb keeps this length along the bar
}

}  // namespace keloscroll
