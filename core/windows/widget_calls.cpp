// Finding the widget interfaces of a window.
#include "core/windows/widget_calls.h"

#include "core/windows/widgets/flash_movie.h"
#include "core/windows/window.h"

namespace {
TMoviePlayerMaker gMoviePlayerMaker = &TFlashMovie::Make;
}

TButtonCalls* AsButton(TWindow* window) { return dynamic_cast<TButtonCalls*>(window); }
TImageCalls* AsImage(TWindow* window) { return dynamic_cast<TImageCalls*>(window); }

void SetMoviePlayerMaker(TMoviePlayerMaker maker) { gMoviePlayerMaker = maker ? maker : &TFlashMovie::Make; }
TMoviePlayerMaker GetMoviePlayerMaker() { return gMoviePlayerMaker; }
