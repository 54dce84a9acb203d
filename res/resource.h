// Resource identifiers, shared by the resource script and the code.
#pragma once

// The program icon: icon group 1, whose one image is icon 30001.
#define IDI_PELLUCOR 1
#define IDI_PELLUCOR_IMAGE 30001
