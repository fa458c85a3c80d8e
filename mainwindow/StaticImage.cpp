#include "mainwindow/StaticImage.h"

StaticImage_CL::StaticImage_CL() : ControlBase_CL(kStaticImageKind) {}

StaticImage_CL::~StaticImage_CL() = default;
