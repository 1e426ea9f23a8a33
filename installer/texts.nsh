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

LangString FOLDER_NOT_PROTECTED ${LANG_ENGLISH} \
  "The access rights of the folder $INSTDIR cannot be set, so ${PRODUCT_NAME} is not installed there."
LangString FOLDER_NOT_PROTECTED ${LANG_JAPANESE} \
  "フォルダー $INSTDIR のアクセス権を設定できないため、${PRODUCT_NAME_JA} をそこにインストールしません。"
