; The installer's own texts, English and Japanese; the pages' standard texts
; come with NSIS's language files.

LangString SERVICE_DISPLAY_NAME ${LANG_ENGLISH} "${PRODUCT_NAME} temperature service"
LangString SERVICE_DISPLAY_NAME ${LANG_JAPANESE} "${PRODUCT_NAME_JA} 温度サービス"

LangString SERVICE_DESCRIPTION ${LANG_ENGLISH} \
  "Reads the temperature and the S.M.A.R.T. health of the disks for the ${PRODUCT_NAME} monitor."
LangString SERVICE_DESCRIPTION ${LANG_JAPANESE} \
  "${PRODUCT_NAME_JA} のモニターのために、ディスクの温度と S.M.A.R.T. の健康状態を読み取ります。"

LangString SHORTCUT_DESCRIPTION ${LANG_ENGLISH} "Watches the temperature and health of the disks"
LangString SHORTCUT_DESCRIPTION ${LANG_JAPANESE} "ディスクの温度と健康状態を監視します"

LangString RUN_MONITOR ${LANG_ENGLISH} "Start the ${PRODUCT_NAME} monitor now"
LangString RUN_MONITOR ${LANG_JAPANESE} "${PRODUCT_NAME_JA} のモニターを今すぐ起動する"

LangString NEEDS_ADMINISTRATOR ${LANG_ENGLISH} \
  "${PRODUCT_NAME} is installed for all users of this PC: please run this program as an administrator."
LangString NEEDS_ADMINISTRATOR ${LANG_JAPANESE} \
  "${PRODUCT_NAME_JA} はこの PC のすべてのユーザーにインストールされます。管理者としてこのプログラムを実行してください。"

LangString ENDING_MONITOR ${LANG_ENGLISH} "Ending the ${PRODUCT_NAME} monitor..."
LangString ENDING_MONITOR ${LANG_JAPANESE} "${PRODUCT_NAME_JA} のモニターを終了しています..."

LangString STOPPING_SERVICE ${LANG_ENGLISH} "Stopping the service ${SERVICE_NAME}..."
LangString STOPPING_SERVICE ${LANG_JAPANESE} "サービス ${SERVICE_NAME} を停止しています..."

LangString STARTING_SERVICE ${LANG_ENGLISH} "Starting the service ${SERVICE_NAME}..."
LangString STARTING_SERVICE ${LANG_JAPANESE} "サービス ${SERVICE_NAME} を開始しています..."

LangString SERVICE_NOT_REGISTERED ${LANG_ENGLISH} \
  "The service ${SERVICE_NAME} could not be registered (error $ServiceError). The monitor will not find it."
LangString SERVICE_NOT_REGISTERED ${LANG_JAPANESE} \
  "サービス ${SERVICE_NAME} を登録できませんでした (エラー $ServiceError)。モニターはサービスを見つけられません。"

LangString SERVICE_NOT_STARTED ${LANG_ENGLISH} \
  "The service ${SERVICE_NAME} did not start. The monitor will not show the disks until it runs."
LangString SERVICE_NOT_STARTED ${LANG_JAPANESE} \
  "サービス ${SERVICE_NAME} が開始しませんでした。サービスが動くまで、モニターにディスクは表示されません。"

LangString REMOVING_SERVICE ${LANG_ENGLISH} "Removing the service ${SERVICE_NAME}..."
LangString REMOVING_SERVICE ${LANG_JAPANESE} "サービス ${SERVICE_NAME} を削除しています..."

LangString REMOVING_FILTER ${LANG_ENGLISH} "Removing the SATA filter registration..."
LangString REMOVING_FILTER ${LANG_JAPANESE} "SATA フィルターの登録を解除しています..."

LangString KEEP_USER_DATA ${LANG_ENGLISH} \
  "Keep your ${PRODUCT_NAME} settings and log?$\r$\n$\r$\nYes keeps them for a later installation; No deletes them."
LangString KEEP_USER_DATA ${LANG_JAPANESE} \
  "${PRODUCT_NAME_JA} の設定とログを残しますか？$\r$\n$\r$\n「はい」を選ぶと、次にインストールしたときにそのまま使えます。「いいえ」を選ぶと削除します。"

LangString FOLDER_REFUSED ${LANG_ENGLISH} \
  "${PRODUCT_NAME} is not installed into $INSTDIR.$\r$\n$\r$\n$RefusedWhy$\r$\n$\r$\nThe service runs the programs of this folder with the rights of the system, so only administrators may change it or any folder above it. Please choose another folder."
LangString FOLDER_REFUSED ${LANG_JAPANESE} \
  "${PRODUCT_NAME_JA} を $INSTDIR にはインストールしません。$\r$\n$\r$\n$RefusedWhy$\r$\n$\r$\nサービスはこのフォルダーのプログラムをシステムの権限で実行するため、このフォルダーとその上のすべてのフォルダーは管理者だけが変更できるものでなければなりません。別のフォルダーを選んでください。"

LangString FOLDER_FOREIGN_OWNER ${LANG_ENGLISH} \
  "The folder $RefusedFolder belongs to someone other than Administrators, SYSTEM or TrustedInstaller."
LangString FOLDER_FOREIGN_OWNER ${LANG_JAPANESE} \
  "フォルダー $RefusedFolder の所有者が Administrators、SYSTEM、TrustedInstaller のいずれでもありません。"

LangString FOLDER_OTHERS_MAY_CHANGE_SECURITY ${LANG_ENGLISH} \
  "Others than administrators may change the access rights or the owner of the folder $RefusedFolder."
LangString FOLDER_OTHERS_MAY_CHANGE_SECURITY ${LANG_JAPANESE} \
  "管理者以外のユーザーが、フォルダー $RefusedFolder のアクセス権または所有者を変更できます。"

LangString FOLDER_OTHERS_MAY_DELETE ${LANG_ENGLISH} \
  "Others than administrators may delete or rename the folder $RefusedFolder."
LangString FOLDER_OTHERS_MAY_DELETE ${LANG_JAPANESE} \
  "管理者以外のユーザーが、フォルダー $RefusedFolder を削除したり名前を変更したりできます。"

LangString FOLDER_OTHERS_MAY_DELETE_INSIDE ${LANG_ENGLISH} \
  "Others than administrators may delete or rename what is in the folder $RefusedFolder."
LangString FOLDER_OTHERS_MAY_DELETE_INSIDE ${LANG_JAPANESE} \
  "管理者以外のユーザーが、フォルダー $RefusedFolder の中のものを削除したり名前を変更したりできます。"

LangString FOLDER_IS_LINK ${LANG_ENGLISH} \
  "The folder $RefusedFolder is a link (a junction or a symbolic link) to another place."
LangString FOLDER_IS_LINK ${LANG_JAPANESE} \
  "フォルダー $RefusedFolder は別の場所へのリンク (ジャンクションまたはシンボリック リンク) です。"

LangString FOLDER_NOT_A_FOLDER ${LANG_ENGLISH} "$RefusedFolder is a file, not a folder."
LangString FOLDER_NOT_A_FOLDER ${LANG_JAPANESE} "$RefusedFolder はフォルダーではなくファイルです。"

LangString FOLDER_NOT_EMPTY ${LANG_ENGLISH} \
  "The folder $RefusedFolder already holds other files, and it is not the folder of the installed ${PRODUCT_NAME}."
LangString FOLDER_NOT_EMPTY ${LANG_JAPANESE} \
  "フォルダー $RefusedFolder には既にほかのファイルがあり、インストール済みの ${PRODUCT_NAME_JA} のフォルダーでもありません。"

LangString FOLDER_UNREADABLE ${LANG_ENGLISH} "The access rights of the folder $RefusedFolder cannot be read."
LangString FOLDER_UNREADABLE ${LANG_JAPANESE} "フォルダー $RefusedFolder のアクセス権を読み取れません。"

LangString FOLDER_NOT_PROTECTED ${LANG_ENGLISH} \
  "The owner and the access rights of the folder $RefusedFolder cannot be set."
LangString FOLDER_NOT_PROTECTED ${LANG_JAPANESE} \
  "フォルダー $RefusedFolder の所有者とアクセス権を設定できません。"

LangString FOLDER_NOT_ON_A_DRIVE ${LANG_ENGLISH} \
  "$RefusedFolder is not a folder on a drive of this PC, such as C:\."
LangString FOLDER_NOT_ON_A_DRIVE ${LANG_JAPANESE} \
  "$RefusedFolder は、C:\ のようなこの PC のドライブ上のフォルダーではありません。"

LangString FOLDER_NOT_CHECKED ${LANG_ENGLISH} "The folder $RefusedFolder could not be checked (error $R0)."
LangString FOLDER_NOT_CHECKED ${LANG_JAPANESE} "フォルダー $RefusedFolder を確認できませんでした (エラー $R0)。"

LangString RESTART_TO_FINISH ${LANG_ENGLISH} \
  "Some files of ${PRODUCT_NAME} are still in use, as the service's process has not ended: they are replaced when Windows restarts. Please restart Windows to finish the installation."
LangString RESTART_TO_FINISH ${LANG_JAPANESE} \
  "サービスのプロセスが終了していないため、${PRODUCT_NAME_JA} の一部のファイルはまだ使用中です。これらは Windows の再起動時に置き換えられます。インストールを完了するには Windows を再起動してください。"

LangString RESTART_TO_REMOVE ${LANG_ENGLISH} \
  "Some files of ${PRODUCT_NAME} are still in use, as the service's process has not ended: they are removed when Windows restarts."
LangString RESTART_TO_REMOVE ${LANG_JAPANESE} \
  "サービスのプロセスが終了していないため、${PRODUCT_NAME_JA} の一部のファイルはまだ使用中です。これらは Windows の再起動時に削除されます。"
