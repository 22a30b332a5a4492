// UsrKeloScroll: the scroll-bar control. Its value is the thumb's place on a track whose user
// scale makes one unit one position; every piece shows a picture the host picks; the end buttons
// repeat while held; and while the user moves the bar the control asks the host for a description
// of the current position and shows it in a tooltip box beside the bar.
//
// The class is split into files by role: interface.cpp (public face and dispatch), value.cpp
// (value model), lifecycle.cpp, layout.cpp, track_scale.cpp, thumb.cpp, stepping.cpp (timer and
// end-button steps), track_mouse.cpp, end_buttons.cpp, keyboard.cpp, description.cpp,
// pictures.cpp (built-in bitmaps) and diagnostics.cpp; geometry.cpp holds the arithmetic along the
// bar's axis that the layout, the thumb and the interaction share.
#pragma once

#include "host/cxx20.h"  // first: says "needs C++20" before anything fails

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "control/geometry.h"
#include "control/press.h"
#include "host/classes.h"
#include "host/container.h"
#include "host/dispatch.h"
#include "host/picture.h"
#include "host/types.h"
#include "host/widgets.h"

namespace keloscroll {

using host::Boolean;
using host::Integer;

class UsrKeloScroll final : public host::Dispatch,
                            public host::Diagnosable,
                            private host::WidgetEvents {
 public:
  // Creates the control on a site: its six widgets in their creation layout, then
  // UserControl_Initialize. The host goes on with InitProperties or ReadProperties.
  static std::shared_ptr<UsrKeloScroll> create(host::ControlSite& site);
  ~UsrKeloScroll() override;
  UsrKeloScroll(const UsrKeloScroll&) = delete;
  UsrKeloScroll& operator=(const UsrKeloScroll&) = delete;

  // ---- public face (properties, method) -------------------------------------------------
  Boolean VerticalBar() const;
  void setVerticalBar(Boolean& v);  // the one property whose new value comes by reference
  host::PictureRef PictureBarra() const;
  void setPictureBarra(host::PictureRef p);
  host::PictureRef PictureCursor() const;
  void setPictureCursor(host::PictureRef p);
  host::PictureRef PictureSXUP() const;
  void setPictureSXUP(host::PictureRef p);
  host::PictureRef PictureDXDN() const;
  void setPictureDXDN(host::PictureRef p);
  void ShowAboutBox();
  int32_t Max() const;
  void setMax(int32_t n);
  int32_t LargeChange() const;
  void setLargeChange(int32_t n);
  int32_t Value();  // reads the thumb back (and remembers it for saving)
  void setValue(int32_t n);
  std::string Description() const;
  Integer RefreshMsecGD() const;
  void setRefreshMsecGD(Integer ms);
  Boolean Enabled() const;
  void setEnabled(Boolean v);
  int32_t Min() const;
  void setMin(int32_t n);
  int32_t SmallChange() const;
  void setSmallChange(int32_t n);

  // ---- Dispatch: served from the interface table ---------------------------------------
  int32_t idOfName(std::string_view name) const override;
  host::Variant invoke(int32_t id, host::Invoke kind, std::span<host::Variant> args) override;
  std::string_view typeName() const override { return "UsrKeloScroll"; }

  // ---- diagnostic view of the private state (tests, scenario runner) -------------------
  std::vector<std::pair<std::string, host::Variant>> diagnosticState() const override;

  host::ControlSite& site() const { return site_.get(); }

  // The smallest size, in twips, a resize leaves the control (a designer snaps a size it proposes
  // to it): along the bar two buttons and the thumb, across a horizontal bar the buttons' length;
  // 0 where there is no minimum.
  std::pair<float, float> SmallestSizeTwips() const;

 private:
  struct Key {  // only create() makes one, so that it is shared from the start
    explicit Key() = default;
  };

 public:
  UsrKeloScroll(Key, host::ControlSite& site);

 private:
  // The six constituent widgets, made in one allocation. The surface's entries for its four own
  // it, so the parts live while the surface holds them or a client holds one, as widgets made one
  // by one would; the track's entries for the two images do not, since the track goes with them.
  struct Parts {
    Parts();
    host::CommandButton cmdSxUp;
    host::CommandButton cmdDXDN;
    host::Timer tmr_Server;
    host::Image imgSfondoPic;
    host::Image imgCursor;
    host::PictureBox picBarra;  // last, so it goes first and lets go of the images while they live
  };
  Parts& createParts();
  // The surface's and the parts' events come here (control/events.cpp), each to the handler of
  // the part that raised it, while the control lives.
  std::array<host::Widget*, 5> EventSources() const;  // the surface and the parts that raise
  void bindEvents();
  void unbindEvents();
  void onMouseDown(host::Widget& w, Integer Button, Integer Shift, float X, float Y) override;
  void onMouseMove(host::Widget& w, Integer Button, Integer Shift, float X, float Y) override;
  void onMouseUp(host::Widget& w, Integer Button, Integer Shift, float X, float Y) override;
  void onClick(host::Widget& w) override;
  void onKeyDown(host::Widget& w, Integer& KeyCode, Integer Shift) override;
  void onKeyUp(host::Widget& w, Integer& KeyCode, Integer Shift) override;
  void onTimer(host::Widget& w) override;
  void onResize(host::Widget& w) override;
  void onInitProperties(host::Widget& w) override;
  void onReadProperties(host::Widget& w, host::PropertyBag& bag) override;
  void onWriteProperties(host::Widget& w, host::PropertyBag& bag) override;
  void onShow(host::Widget& w) override;
  void onTerminate(host::Widget& w) override;
  std::shared_ptr<host::Accessible> accessibleOf(host::Widget& w) override;
  // The end whose button `w` is, or none.
  std::optional<geometry::BarEnd> EndOf(const host::Widget& w) const;

  // ---- lifecycle and persistence ------------------------------------------------------
  void UserControl_Initialize();
  Boolean InitDefaults();
  void UserControl_InitProperties();
  void UserControl_ReadProperties(host::PropertyBag& bag);
  void UserControl_WriteProperties(host::PropertyBag& bag);
  void UserControl_Show();
  void UserControl_Terminate();

  // ---- layout and track scale ---------------------------------------------------------
  void UserControl_Resize();
  Boolean SetTrackScale();
  bool TrackScaleStands() const;
  void ArrangeHorizontal();
  void RestoreVerticalArrangement();
  void DrawArrowsFor(bool horizontal);

  // ---- the geometry members along the bar's axis ------------------------------------
  geometry::Axis BarAxis() const { return geometry::axisOf(mVerticalBar); }
  int32_t& PositionAlong(geometry::Axis a) { return geometry::along(a, mPosX, mPosY); }
  int32_t& PressAlong(geometry::Axis a) { return geometry::along(a, mCurx, mCury); }
  int32_t& ThumbLengthAlong(geometry::Axis a) { return geometry::along(a, mCurWidth, mCurHeight); }
  int32_t& BarLengthAlong(geometry::Axis a) { return geometry::along(a, mBarWidth, mBarHeight); }
  float ThumbEdge(geometry::Axis a) const;
  void SetThumbEdge(geometry::Axis a, float edge);
  // Stands the thumb at position p: the position member, the thumb's edge, the press member.
  void PlaceThumb(geometry::Axis a, int32_t p);

  // ---- value model helpers ------------------------------------------------------------
  int32_t ThumbValueX() const;
  int32_t ThumbValueY() const;
  int32_t ThumbValue(geometry::Axis a) const;
  Boolean TryMoveThumb(int32_t x, int32_t y);
  void ArmThumbMove();
  void DisarmThumbMove();
  Boolean IsThumbMoving() const;
  // The run-mode test: ambient UserMode true, or unreadable (error 398) before the client site.
  bool IsRunMode() const;
  void ArmHideTimer();
  void RaiseChangeEvent();

  // ---- thumb positioning --------------------------------------------------------------
  Boolean CheckThumbGrab(float X, float Y);
  Boolean MoveThumbToPoint(int32_t X, int32_t Y);
  Boolean MoveThumbByKey(Integer KeyCode);

  // ---- timer and stepping -------------------------------------------------------------
  // The shared timer's jobs, kept in mTimerMode: hide the description tooltip once, or repeat the
  // step of the end button held at one end of the bar.
  enum class TimerJob : Integer { None = 0, HideDescription = 1, RepeatStart = 2, RepeatEnd = 3 };
  static constexpr TimerJob RepeatJob(geometry::BarEnd end) {
    return end == geometry::BarEnd::Start ? TimerJob::RepeatStart : TimerJob::RepeatEnd;
  }
  // A held end button steps this often; the tooltip hides this long after the last action.
  static constexpr int32_t kRepeatIntervalMs = 100;
  static constexpr int32_t kHideDelayMs = 500;

  void tmr_Server_Timer();
  void StartRepeat(geometry::BarEnd end);
  void StopRepeat();
  // One step towards an end: Repeat false is the press's own step, true a repeated one.
  Boolean Step(Boolean& Repeat, geometry::BarEnd toward);
  // Ends a step or page move, also one abandoned by an error, so later moves are not blocked.
  void ReleaseMoveLocks();
  Boolean RaiseChange(Boolean& NoHideTimer);
  void ChangeAndDescribe();
  Boolean IsMouseOver(host::Widget& w);

  // ---- track mouse ----------------------------------------------------------------------
  void picBarra_MouseDown(Integer Button, Integer Shift, float X, float Y);
  void picBarra_MouseMove(Integer Button, Integer Shift, float X, float Y);
  void picBarra_MouseUp(Integer Button, Integer Shift, float X, float Y);
  void picBarra_Click();
  Boolean PageToPointer();
  void EndDrag();

  // ---- end buttons: cmdSxUp at the start of the bar, cmdDXDN at its end --------------------
  host::CommandButton& EndButton(geometry::BarEnd end) const;
  void EndButton_MouseDown(geometry::BarEnd end, Integer Button, Integer Shift, float X, float Y);
  void EndButton_MouseUp(geometry::BarEnd end, Integer Button, Integer Shift, float X, float Y);

  // ---- keyboard -----------------------------------------------------------------------
  void UserControl_KeyDown(Integer& KeyCode, Integer Shift);
  void UserControl_KeyUp(Integer& KeyCode, Integer Shift);

  // ---- description tooltip ------------------------------------------------------------
  Boolean ShowDescription();
  Boolean CreateDescriptionBox();
  int32_t ContainerTop(host::Dispatch& ctl);
  int32_t ContainerLeft(host::Dispatch& ctl);
  // The box's left, top, width and height in the form's units.
  std::array<float, 4> PlaceBesideHorizontalTrack(host::Dispatch& extender, int32_t textW,
                                                  int32_t textH, int32_t formW);
  std::string DescriptionBoxName() const;

  // The host may release the site first: the surface stays while the control does.
  host::SiteLink site_;
  std::shared_ptr<host::UserControl> surface_;

  // The constituent widgets: the surface holds them, and the surface stays while the control does.
  Parts& parts_;

  // Value and state. (The small members of every group stand together here, where they fill
  // what would otherwise be padding.)
  int32_t mValue = 0;
  int32_t mMax = 0;
  int32_t mMin = 0;
  int32_t mSmallChange = 0;
  int32_t mLargeChange = 0;
  Boolean mVerticalBar = host::False;
  Boolean mEnabled = host::False;
  Integer mRefreshMsecGD = 0;
  Integer mBarScaleMode = 0;
  TimerJob mTimerMode = TimerJob::None;
  Boolean mTxtDescrOk = host::False;
  // The press state: mBusy, mThumbLocked, mStepArmed, mThumbMoving, mPosGiven by their old names.
  PressState mPress;
  // Whether the parts are currently arranged across (see layout.cpp).
  bool arrangedHorizontally_ = false;
  float mGrabOffsetY = 0;       // the grip on the thumb of a drag
  host::RareText mDescription;  // set only once the bar has been moved
  int32_t mChangeValue = 0;

  // Geometry record, then the other geometry members.
  int32_t mScaleMax = 0;
  int32_t mBarHeight = 0;
  int32_t mBarWidth = 0;
  int32_t mCurHeight = 0;
  int32_t mCurWidth = 0;
  int32_t mPosX = 0;
  int32_t mPosY = 0;
  int32_t mStartPos = 0;
  int32_t mCurx = 0;
  int32_t mCury = 0;
  // The thumb's designed length along the bar (see layout.cpp).
  float thumbLengthTwips_ = 0;

  // The description tooltip.
  // The tooltip box, reached by name only: a real container's own text box serves as well.
  host::ObjectRef mTxtDescr;
  float mLastDescrTime = 0;
  float mDescrPosX = 0;
  float mDescrPosY = 0;
  int32_t mTipY = 0;
};

}  // namespace keloscroll
