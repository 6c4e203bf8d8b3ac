#pragma once

class MainWindow;
class UploadDBForm;
class UploadProgressForm;

// Puts "Upload &data to Support..." into the Help menu and the two upload dialogs in place of the frame's
// stand-ins.
void installUpload(MainWindow& main);

// The handler: the details dialog, the info file, then the progress dialog with the tables closed, so that
// the files packed are whole; the page being shown opens again afterwards.
void UploaddatabyFTP1Click(MainWindow& main, UploadDBForm& form, UploadProgressForm& progress);
