# Shared by the end-to-end scripts: a work folder cleaned up on exit, the installed
# application, a loopback FTP server, the password in the keyring, a display.
# Source it after setting `build`; it sets `work` and `pids`.
# shellcheck shell=bash

work=$(mktemp -d)
pids=()
e2e_cleanup_hooks=()
e2e_cleanup() {
  local hook p
  for hook in "${e2e_cleanup_hooks[@]}"; do "$hook"; done
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap e2e_cleanup EXIT

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# e2e_recording_settings [LINE ...]: a fresh home ($work/home) whose settings
# record a sequence to ~/pictures every second from the start, then the given
# lines; sets `conf`, the settings file.
e2e_recording_settings() {
  export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/home/.local/state
  conf=$XDG_CONFIG_HOME/Ombrix/Ombrix.conf
  mkdir -p "$HOME/pictures" "$XDG_CONFIG_HOME/Ombrix"
  {
    printf '%s\n' '[General]' OXStartAuto=true OXRecordingInterval=1 OXSaveToDiskFlag=true \
      'OXSaveToDiskPath=~/pictures' OXSaveSequenceFlag=true
    [ $# -eq 0 ] || printf '%s\n' "$@"
  } > "$conf"
}

# Installs Ombrix into a fresh prefix: $work/prefix/bin/ombrix.
e2e_install() { cmake --install "$build" --prefix "$work/prefix" > /dev/null; }

# e2e_ftp_server PASSWORD: a plain FTP server on loopback with the account
# tester/PASSWORD writing into $work/ftp/root; sets `port`.
e2e_ftp_server() {
  mkdir -p "$work/ftp/root" && chmod 777 "$work/ftp/root"
  echo "tester:$(openssl passwd -6 "$1"):65534:65534::$work/ftp/root/./::::::::::::" > "$work/ftp/passwd"
  pure-pw mkdb "$work/ftp/users.pdb" -f "$work/ftp/passwd"
  port=$(( 21000 + RANDOM % 8000 ))
  pure-ftpd -S "127.0.0.1,$port" -l "puredb:$work/ftp/users.pdb" -Y 0 -E -H -u 1 -p "$((port + 1000)):$((port + 1099))" &
  pids+=($!)
}

# e2e_keyring_password PASSWORD: files it for tester at 127.0.0.1, as Ombrix does.
e2e_keyring_password() {
  printf '%s' "$1" | secret-tool store --label="Ombrix test" xdg:schema org.gnome.keyring.NetworkPassword \
    server 127.0.0.1 protocol ftps port 0 authtype default user tester
}

# e2e_display: an X server of its own; sets DISPLAY.
e2e_display() {
  local display=$(( 50 + RANDOM % 400 ))
  Xvfb ":$display" -screen 0 1024x900x24 -nolisten tcp > /dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=":$display"
  for _ in $(seq 50); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done
}
