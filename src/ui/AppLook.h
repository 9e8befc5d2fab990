#pragma once

// The program's look, shared by the program and the tools that picture it: the window icon and
// a 7.5-point font, small enough for the captions of the fixed window layouts (a larger desktop
// font would clip the captions).
namespace AppLook {

void apply();

} // namespace AppLook
