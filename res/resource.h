// Resource identifiers, shared by the resource script and the code.
#pragma once

// The program icon: icon group 1, whose one image is icon 30001.
#define IDI_PELLUCOR 1
#define IDI_PELLUCOR_IMAGE 30001

// The About picture: icon group 2, a 32 x 32 and a 16 x 16 image of 24 bits per pixel.
#define IDI_ABOUT 2
