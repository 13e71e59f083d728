#include "app/startup.h"

int main(int argc, char** argv) { return tarnfold::app::Run(argc, argv); }
