# Tests of the folder chooser and the About box
quillon_add_test(tst_folderpaths tst_folderpaths.cpp)
quillon_add_test(tst_volumes tst_volumes.cpp)
quillon_add_test(tst_dlgdir tst_dlgdir.cpp)
quillon_add_test(tst_frmabout tst_frmabout.cpp)
